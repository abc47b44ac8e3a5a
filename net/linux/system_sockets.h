#pragma once
// The system's socket interface: BSD sockets.
// net/socket_address.h includes it as "system_sockets.h": the build puts this folder on the include
// path on Linux, and net/windows/ with its twin on Windows.

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
