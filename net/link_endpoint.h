#pragma once
// The participant's side: one socket and a single session, the relay server (session 0).
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "net/datagram_socket.h"
#include "net/peer_table.h"

class LinkEndpoint : public DatagramSocket, public PeerTable {
public:
    explicit LinkEndpoint(int32_t initialCountdown) : PeerTable(1, initialCountdown) {}

    // -1 without sending when session 0 is free.
    int Send(uint32_t code, const uint8_t* payload, size_t payloadLength);
    // Datagram length; -1 receive failure; -2 wrong magic or not from session 0.
    // buffer holds MAX_DATAGRAM bytes.
    int Receive(uint8_t* buffer);
    // Close, then RemoveSession(0); always 0.
    int Disconnect();
};
