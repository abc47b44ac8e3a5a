#pragma once
// Turns the server's host text (dotted IPv4 or a host name) and port into a socket address.

#include "net/socket_address.h"

// 0; -1 when the host is neither a dotted IPv4 address nor a name that resolves to one.
int ResolveAddress(const char* host, int port, SocketAddress& address);
