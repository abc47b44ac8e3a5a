#pragma once
// Composing, sending and receiving whole datagrams of the wire protocol.

#include <cstddef>
#include <cstdint>

#include "net/datagram_socket.h"

// Writes the header with this key and code, then at most MAX_PAYLOAD payload bytes;
// returns the datagram's length (HEADER_SIZE + copied bytes).
size_t composeDatagram(uint8_t* datagram, uint32_t sessionKey, uint32_t code, const uint8_t* payload,
                       size_t payloadLength);

// Composes in a buffer of its own and sends; returns the send result.
int sendComposed(DatagramSocket& socket, const SocketAddress& address, uint32_t sessionKey, uint32_t code,
                 const uint8_t* payload, size_t payloadLength);

// Receives one datagram into a MAX_DATAGRAM buffer: its length; NET_RECEIVE_FAILED;
// NET_FOREIGN_DATAGRAM when it does not begin with the magic.
int receiveChecked(DatagramSocket& socket, uint8_t* buffer, SocketAddress& sender);
