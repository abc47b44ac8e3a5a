#pragma once
// The 16-byte IPv4 socket address: family, port and address in network byte order,
// eight bytes that stay zero.

// From linux/ or windows/, whichever the build picks for this system.
#include "system_sockets.h"

using SocketAddress = sockaddr_in;
static_assert(sizeof(SocketAddress) == 16);
