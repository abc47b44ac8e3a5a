#pragma once
// The system's socket interface: Windows Sockets 2 (ws2_32).
// net/socket_address.h includes it as "system_sockets.h": the build puts this folder on the include
// path on Windows, and net/linux/ with its twin on Linux.

#include <winsock2.h>
#include <ws2tcpip.h>
