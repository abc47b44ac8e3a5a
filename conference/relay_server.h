#pragma once
// The relay server role: admits up to 16 participants, keeps their roster, answers
// keep-alives, copies every voice frame to all of them and frees silent slots. Voice goes only
// to sessions whose own traffic pays for it (SendBudget).
// Threading: worker thread only; it reacts to its socket's notifications and its sweep timer.

#include <cstdint>

#include "conference/send_budget.h"
#include "net/datagram_endpoint.h"
#include "net/wire_protocol.h"

class RelayServer {
public:
    static constexpr int32_t SESSION_COUNTDOWN = 3;

    RelayServer() : endpoint(static_cast<int32_t>(SLOT_COUNT), SESSION_COUNTDOWN), roster{} {}

    // One datagram per notification; lParam carries the event and error halves.
    void HandleServerSocket(intptr_t lParam);
    // Every 1000 ms: counts sessions down and announces the ones that expire.
    void SweepPeers();

    DatagramEndpoint endpoint;
    Roster roster;

private:
    void admit(const SocketAddress& sender, uint32_t sessionKey, const uint8_t* nickname);
    void announceLeft(int slot);
    void relayVoice(int speaker, const uint8_t* frame);

    SendBudget budget;
};
