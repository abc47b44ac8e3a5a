#pragma once
// The system's socket interface: Windows Sockets 2 (ws2_32).

#include <winsock2.h>
#include <ws2tcpip.h>
