#pragma once
// The participant's side: one socket and a single session, the relay server (session 0).
// It owns both and offers the operations of each that the participant uses.
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "net/session_socket.h"

class LinkEndpoint : public SessionSocket {
public:
    explicit LinkEndpoint(int32_t initialCountdown) : SessionSocket(1, initialCountdown) {}

    // NET_SEND_FAILED without sending when session 0 is free.
    int Send(uint32_t code, const uint8_t* payload, size_t payloadLength);
    // Datagram length; NET_RECEIVE_FAILED; NET_FOREIGN_DATAGRAM for a wrong magic or a sender
    // other than session 0. buffer holds MAX_DATAGRAM bytes.
    int Receive(uint8_t* buffer);
    // Closes the socket, then frees session 0.
    void Disconnect();
};
