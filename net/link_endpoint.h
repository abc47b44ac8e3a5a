#pragma once
// The participant's side: one socket and a single session, the relay server (session 0).
// It owns both and offers the operations of each that the participant uses.
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "net/datagram_socket.h"
#include "net/peer_table.h"

class LinkEndpoint {
public:
    explicit LinkEndpoint(int32_t initialCountdown) : session_(1, initialCountdown) {}

    int Open(EventLoop* target, uint32_t message, int port) { return socket_.Open(target, message, port); }
    bool isOpen() const { return socket_.isOpen(); }
    int handle() const { return socket_.handle(); }
    int localPort() const { return socket_.localPort(); }

    int AddSession(const SocketAddress& address, uint32_t sessionKey)
    {
        return session_.AddSession(address, sessionKey);
    }
    int RemoveSession(int index) { return session_.RemoveSession(index); }
    int TouchSession(int index) { return session_.TouchSession(index); }
    void TickSessions() { session_.TickSessions(); }
    bool IsSessionActive(int index) const { return session_.IsSessionActive(index); }
    int64_t GetSessionKey(int index) const { return session_.GetSessionKey(index); }

    // NET_SEND_FAILED without sending when session 0 is free.
    int Send(uint32_t code, const uint8_t* payload, size_t payloadLength);
    // Datagram length; NET_RECEIVE_FAILED; NET_FOREIGN_DATAGRAM for a wrong magic or a sender
    // other than session 0. buffer holds MAX_DATAGRAM bytes.
    int Receive(uint8_t* buffer);
    // Closes the socket, then frees session 0.
    void Disconnect();

private:
    // Declared first, so the table goes before the socket closes.
    DatagramSocket socket_;
    PeerTable session_;
};
