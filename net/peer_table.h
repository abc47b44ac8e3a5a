#pragma once
// A fixed table of peer sessions, each known by IPv4 address and session key, with a
// liveness countdown (0 = free). Storage is allocated once, at construction.
// Threading: worker thread only.

#include <cstdint>
#include <memory>

#include "net/net_results.h"
#include "net/socket_address.h"

struct PeerEntry {
    SocketAddress address;
    uint32_t sessionKey;
    int32_t countdown;
};

class PeerTable {
public:
    PeerTable(int32_t capacity, int32_t initialCountdown);

    // Lowest active slot with the address's IPv4 address and this key; the port is not compared.
    // NET_NO_SESSION if none.
    int FindSession(const SocketAddress& address, uint32_t sessionKey) const;
    // Takes the lowest free slot; NET_NO_SESSION when none is free.
    int AddSession(const SocketAddress& address, uint32_t sessionKey);
    // These three: 0, or NET_NO_SESSION when the slot is not active.
    int RemoveSession(int index);
    int TouchSession(int index);
    int GetSessionAddress(int index, SocketAddress& address) const;
    // Every countdown above 0 falls by one; a session that reaches 0 is free.
    void TickSessions();
    bool IsSessionActive(int index) const;
    // The stored key, or NET_NO_SESSION (as a 32-bit pattern) when the slot is not active.
    int64_t GetSessionKey(int index) const;

    int32_t capacity() const { return capacity_; }
    int32_t initialCountdown() const { return initialCountdown_; }

private:
    bool isValid(int index) const { return static_cast<uint32_t>(index) < static_cast<uint32_t>(capacity_); }

    std::unique_ptr<PeerEntry[]> slots_;
    int32_t capacity_;
    int32_t initialCountdown_;
};
