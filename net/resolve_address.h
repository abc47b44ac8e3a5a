#pragma once
// Turns the server's host text (dotted IPv4 or a host name) and port into a socket address.

#include "net/socket_address.h"

// 0; NET_UNKNOWN_HOST.
int ResolveAddress(const char* host, int port, SocketAddress& address);
