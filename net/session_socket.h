#pragma once
// One socket and the table of the sessions it talks to, owned together: what the relay's
// endpoint and the participant's share. The endpoints add how they send and receive.
// Threading: worker thread only.

#include <cstdint>

#include "net/datagram_socket.h"
#include "net/peer_table.h"

class SessionSocket {
public:
    int Open(EventLoop* target, uint32_t message, int port) { return socket_.Open(target, message, port); }
    bool isOpen() const { return socket_.isOpen(); }
    int handle() const { return socket_.handle(); }
    int localPort() const { return socket_.localPort(); }

    int AddSession(const SocketAddress& address, uint32_t sessionKey)
    {
        return sessions_.AddSession(address, sessionKey);
    }
    int RemoveSession(int index) { return sessions_.RemoveSession(index); }
    int TouchSession(int index) { return sessions_.TouchSession(index); }
    void TickSessions() { sessions_.TickSessions(); }
    bool IsSessionActive(int index) const { return sessions_.IsSessionActive(index); }
    int64_t GetSessionKey(int index) const { return sessions_.GetSessionKey(index); }

protected:
    SessionSocket(int32_t capacity, int32_t initialCountdown) : sessions_(capacity, initialCountdown) {}
    ~SessionSocket() = default;

    // Declared first, so the table goes before the socket closes.
    DatagramSocket socket_;
    PeerTable sessions_;
};
