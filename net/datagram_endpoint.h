#pragma once
// The relay server's side: one socket and a table of sessions it serves.
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "net/datagram_socket.h"
#include "net/peer_table.h"
#include "net/wire_protocol.h"

class DatagramEndpoint : public DatagramSocket, public PeerTable {
public:
    DatagramEndpoint(int32_t capacity, int32_t initialCountdown) : PeerTable(capacity, initialCountdown) {}

    int SendToAddress(const SocketAddress& address, uint32_t sessionKey, uint32_t code, const uint8_t* payload,
                      size_t payloadLength);
    // -1 without sending when the slot is not active.
    int SendToSession(int index, uint32_t code, const uint8_t* payload, size_t payloadLength);
    // To every active slot in ascending order, each copy with its own key; always 0.
    // recipients, when given, holds one flag per slot: only the flagged active slots get a copy.
    int Broadcast(uint32_t code, const uint8_t* payload, size_t payloadLength, const bool* recipients = nullptr);
    // Datagram length; -1 receive failure; -2 wrong magic. buffer holds MAX_DATAGRAM bytes.
    int Receive(uint8_t* buffer, SocketAddress& sender);
};
