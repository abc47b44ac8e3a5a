#include "net/peer_table.h"

#include <cstring>

PeerTable::PeerTable(int32_t capacity, int32_t initialCountdown)
    : slots_(new PeerEntry[capacity > 0 ? capacity : 0]()),
      capacity_(capacity > 0 ? capacity : 0),
      initialCountdown_(initialCountdown)
{
}

int PeerTable::FindSession(const SocketAddress& address, uint32_t sessionKey) const
{
    for (int index = 0; index < capacity_; ++index) {
        const PeerEntry& entry = slots_[index];
        if (entry.countdown != 0 && entry.address.sin_addr.s_addr == address.sin_addr.s_addr &&
            entry.sessionKey == sessionKey)
            return index;
    }
    return NET_NO_SESSION;
}

int PeerTable::AddSession(const SocketAddress& address, uint32_t sessionKey)
{
    for (int index = 0; index < capacity_; ++index) {
        PeerEntry& entry = slots_[index];
        if (entry.countdown == 0) {
            std::memcpy(&entry.address, &address, sizeof(SocketAddress));
            entry.sessionKey = sessionKey;
            entry.countdown = initialCountdown_;
            return index;
        }
    }
    return NET_NO_SESSION;
}

int PeerTable::RemoveSession(int index)
{
    if (!IsSessionActive(index))
        return NET_NO_SESSION;
    slots_[index].countdown = 0;
    return 0;
}

int PeerTable::TouchSession(int index)
{
    if (!IsSessionActive(index))
        return NET_NO_SESSION;
    slots_[index].countdown = initialCountdown_;
    return 0;
}

void PeerTable::TickSessions()
{
    for (int index = 0; index < capacity_; ++index) {
        if (slots_[index].countdown > 0)
            --slots_[index].countdown;
    }
}

bool PeerTable::IsSessionActive(int index) const
{
    return isValid(index) && slots_[index].countdown != 0;
}

int PeerTable::GetSessionAddress(int index, SocketAddress& address) const
{
    if (!IsSessionActive(index))
        return NET_NO_SESSION;
    std::memcpy(&address, &slots_[index].address, sizeof(SocketAddress));
    return 0;
}

int64_t PeerTable::GetSessionKey(int index) const
{
    if (!IsSessionActive(index))
        return NET_NO_SESSION;
    return slots_[index].sessionKey;
}
