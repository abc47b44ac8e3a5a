#pragma once
// The relay server's side: one socket and the table of sessions it serves. It owns both and
// offers the operations of each that the server uses.
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "net/datagram_socket.h"
#include "net/peer_table.h"
#include "net/wire_protocol.h"

class DatagramEndpoint {
public:
    DatagramEndpoint(int32_t capacity, int32_t initialCountdown) : sessions_(capacity, initialCountdown) {}

    int Open(EventLoop* target, uint32_t message, int port) { return socket_.Open(target, message, port); }
    void Close() { socket_.Close(); }
    bool isOpen() const { return socket_.isOpen(); }
    int handle() const { return socket_.handle(); }
    int localPort() const { return socket_.localPort(); }
    const TrafficCounts& traffic() const { return socket_.traffic(); }

    int FindSession(const SocketAddress& address, uint32_t sessionKey) const
    {
        return sessions_.FindSession(address, sessionKey);
    }
    int AddSession(const SocketAddress& address, uint32_t sessionKey)
    {
        return sessions_.AddSession(address, sessionKey);
    }
    int RemoveSession(int index) { return sessions_.RemoveSession(index); }
    int TouchSession(int index) { return sessions_.TouchSession(index); }
    void TickSessions() { sessions_.TickSessions(); }
    bool IsSessionActive(int index) const { return sessions_.IsSessionActive(index); }
    int64_t GetSessionKey(int index) const { return sessions_.GetSessionKey(index); }

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

private:
    // Declared first, so the table goes before the socket closes.
    DatagramSocket socket_;
    PeerTable sessions_;
};
