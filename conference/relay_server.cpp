#include "conference/relay_server.h"

#include <cstring>

#include "conference/socket_notification.h"
#include "conference/worker_events.h"
#include "platform/debug_output.h"
#include "platform/event_loop.h"

int RelayServer::Open(EventLoop* target, int port)
{
    return endpoint_.Open(target, WM_SERVER_SOCKET, port);
}

void RelayServer::Close()
{
    endpoint_.Close();
}

void RelayServer::HandleServerSocket(intptr_t lParam)
{
    if (!datagramWaits(lParam, "server ソケットエラー\n"))
        return;

    // Zeroed so that nothing of an earlier datagram can be mistaken for part of this one.
    uint8_t buffer[MAX_DATAGRAM] = {};
    SocketAddress sender;
    int length = endpoint_.Receive(buffer, sender);
    if (length == NET_FOREIGN_DATAGRAM || (length >= 0 && static_cast<size_t>(length) < HEADER_SIZE)) {
        ++junkDatagrams_;
        debugOutput("Server ゴミpkt受信？\n");
        return;
    }
    if (length < 0) {
        debugOutput("Server Recv失敗\n");
        return;
    }

    const PacketHeader header = readHeader(buffer);
    const int slot = endpoint_.FindSession(sender, header.sessionKey);
    if (slot == NET_NO_SESSION && header.code != MSG_JOIN)
        return;
    endpoint_.TouchSession(slot);
    budget_.earn(slot, static_cast<size_t>(length));

    const uint8_t type = codeType(header.code);
    // A message too short for its type is only a sign of life.
    if (static_cast<size_t>(length) < requiredLength(type))
        return;
    const uint8_t* payload = buffer + HEADER_SIZE;

    switch (type) {
    case MSG_JOIN:
        // A repeated join changes neither the slot nor the roster the others were sent.
        if (slot == NET_NO_SESSION)
            admit(sender, header.sessionKey, payload);
        else if (listener_ != nullptr)
            listener_->joined(slot, payload);
        break;
    case MSG_LEAVE:
        endpoint_.RemoveSession(slot);
        releaseSlot(slot);
        break;
    case MSG_PING:
        endpoint_.SendToSession(slot, makeCode(static_cast<uint32_t>(slot), MSG_PONG), nullptr, 0);
        break;
    case MSG_VOICE:
        if (listener_ != nullptr)
            listener_->voice(slot, payload);
        relayVoice(slot, payload);
        break;
    case MSG_ROSTER_REQUEST:
        endpoint_.SendToSession(slot, makeCode(static_cast<uint32_t>(slot), MSG_WELCOME), roster_.entries[0],
                                ROSTER_SIZE);
        break;
    default:
        break;
    }
}

void RelayServer::admit(const SocketAddress& sender, uint32_t sessionKey, const uint8_t* nickname)
{
    const int slot = endpoint_.AddSession(sender, sessionKey);
    if (slot < 0) {
        endpoint_.SendToAddress(sender, sessionKey, REFUSAL_CODE, nullptr, 0);
        return;
    }
    budget_.start(slot);
    std::memcpy(roster_.entries[slot], nickname, NICKNAME_SIZE);
    endpoint_.Broadcast(makeCode(static_cast<uint32_t>(slot), MSG_PEER_NAME), nickname, NICKNAME_SIZE);
    endpoint_.SendToSession(slot, makeCode(static_cast<uint32_t>(slot), MSG_WELCOME), roster_.entries[0], ROSTER_SIZE);
    if (listener_ != nullptr)
        listener_->joined(slot, nickname);
}

void RelayServer::releaseSlot(int slot)
{
    roster_.entries[slot][0] = 0;
    endpoint_.Broadcast(makeCode(static_cast<uint32_t>(slot), MSG_PEER_LEFT), nullptr, 0);
    if (listener_ != nullptr)
        listener_->left(slot);
}

void RelayServer::relayVoice(int speaker, const uint8_t* frame)
{
    // A session without budget misses this frame; it is never queued for later.
    bool recipients[SLOT_COUNT];
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
        const int index = static_cast<int>(slot);
        const bool active = endpoint_.IsSessionActive(index);
        recipients[slot] = active && budget_.spendOnVoice(index);
        relayedCopies_ += recipients[slot] ? 1 : 0;
        withheldCopies_ += active && !recipients[slot] ? 1 : 0;
    }
    endpoint_.Broadcast(makeCode(static_cast<uint32_t>(speaker), MSG_VOICE_RELAY), frame, VOICE_PAYLOAD_SIZE,
                        recipients);
}

void RelayServer::SweepPeers()
{
    bool wasActive[SLOT_COUNT];
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot)
        wasActive[slot] = endpoint_.IsSessionActive(static_cast<int>(slot));
    endpoint_.TickSessions();
    budget_.refillReserve();
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
        if (wasActive[slot] && !endpoint_.IsSessionActive(static_cast<int>(slot)))
            releaseSlot(static_cast<int>(slot));
    }
}

bool RelayServer::dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_SERVER_SOCKET)
        HandleServerSocket(lParam);
    else if (message == WM_TIMER && wParam == TIMER_PEER_SWEEP)
        SweepPeers();
    else
        return false;
    return true;
}

RelayStats RelayServer::stats() const
{
    RelayStats stats;
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot)
        stats.slotsInUse += endpoint_.IsSessionActive(static_cast<int>(slot)) ? 1 : 0;
    stats.traffic = endpoint_.traffic();
    stats.relayedCopies = relayedCopies_;
    stats.withheldCopies = withheldCopies_;
    stats.junkDatagrams = junkDatagrams_;
    return stats;
}
