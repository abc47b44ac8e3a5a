#pragma once
// Builds one datagram in a caller's MAX_DATAGRAM buffer and sends it.

#include <cstddef>
#include <cstdint>

#include "net/datagram_socket.h"

// Header with this key and code, then at most MAX_PAYLOAD payload bytes; sends
// HEADER_SIZE + copied bytes. Returns the send result.
int sendComposed(DatagramSocket& socket, const SocketAddress& address, uint32_t sessionKey, uint32_t code,
                 const uint8_t* payload, size_t payloadLength);
