#pragma once
// The relay server's side: one socket and the table of sessions it serves. It owns both and
// offers the operations of each that the server uses.
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "net/session_socket.h"
#include "net/wire_protocol.h"

class DatagramEndpoint : public SessionSocket {
public:
    DatagramEndpoint(int32_t capacity, int32_t initialCountdown) : SessionSocket(capacity, initialCountdown) {}

    void Close() { socket_.Close(); }
    const TrafficCounts& traffic() const { return socket_.traffic(); }
    int FindSession(const SocketAddress& address, uint32_t sessionKey) const
    {
        return sessions_.FindSession(address, sessionKey);
    }

    int SendToAddress(const SocketAddress& address, uint32_t sessionKey, uint32_t code, const uint8_t* payload,
                      size_t payloadLength);
    // NET_SEND_FAILED without sending when the slot is not active.
    int SendToSession(int index, uint32_t code, const uint8_t* payload, size_t payloadLength);
    // To every active slot in ascending order, each copy with its own key.
    // recipients, when given, holds one flag per slot: only the flagged active slots get a copy.
    void Broadcast(uint32_t code, const uint8_t* payload, size_t payloadLength, const bool* recipients = nullptr);
    // Datagram length; NET_RECEIVE_FAILED; NET_FOREIGN_DATAGRAM for a wrong magic.
    // buffer holds MAX_DATAGRAM bytes.
    int Receive(uint8_t* buffer, SocketAddress& sender);
};
