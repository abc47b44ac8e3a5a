#pragma once
// The relay server role: admits up to 16 participants, keeps their roster, answers
// keep-alives, copies every voice frame to all of them and frees silent slots. Voice goes only
// to sessions whose own traffic pays for it (SendBudget). It opens and closes its own socket.
// Threading: worker thread only; it reacts to its socket's notifications and its sweep timer.

#include <cstdint>

#include "conference/send_budget.h"
#include "net/datagram_endpoint.h"
#include "net/wire_protocol.h"

class EventLoop;

// What a program that listens in on the relay is told, after or before the relay's own
// reaction as noted. A listener hears only what it overrides.
class RelayListener {
public:
    // A join admitted (after the welcome), or repeated by the session that holds the slot.
    virtual void joined(int /*slot*/, const uint8_t* /*nickname*/) {}
    // A slot freed by its leave or by expiry, after the others were told.
    virtual void left(int /*slot*/) {}
    // A voice frame of VOICE_PAYLOAD_SIZE bytes from the slot, before it is relayed.
    virtual void voice(int /*slot*/, const uint8_t* /*frame*/) {}

protected:
    ~RelayListener() = default;
};

// What a relay has done since it was made, for a program that reports it.
struct RelayStats {
    int slotsInUse = 0;
    TrafficCounts traffic;
    // Voice copies sent on, and copies not sent to a session whose traffic did not pay for them.
    uint64_t relayedCopies = 0;
    uint64_t withheldCopies = 0;
    // Datagrams without the protocol's magic or shorter than its header.
    uint64_t junkDatagrams = 0;
};

class RelayServer {
public:
    static constexpr int32_t SESSION_COUNTDOWN = 3;

    RelayServer() : endpoint_(static_cast<int32_t>(SLOT_COUNT), SESSION_COUNTDOWN), roster_{} {}

    // Closes any socket the server held, then opens one on port whose readiness target gets as
    // WM_SERVER_SOCKET (a null target: none). 0; NET_NO_SOCKET or NET_CANNOT_BIND.
    int Open(EventLoop* target, int port);
    // The sessions and the roster stay: the sweep still frees them.
    void Close();
    bool isOpen() const { return endpoint_.isOpen(); }
    // The socket's descriptor (-1 without one) and bound port (0 without one), for waiting on it.
    int handle() const { return endpoint_.handle(); }
    int localPort() const { return endpoint_.localPort(); }

    // One datagram per notification; lParam carries the event and error halves.
    void HandleServerSocket(intptr_t lParam);
    // Every 1000 ms: counts sessions down and announces the ones that expire.
    void SweepPeers();
    // The server's own worker events, handed to the two above: its socket's notifications and
    // its sweep timer. False for any other event.
    bool dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam);

    bool IsSessionActive(int slot) const { return endpoint_.IsSessionActive(slot); }
    int64_t GetSessionKey(int slot) const { return endpoint_.GetSessionKey(slot); }
    const Roster& roster() const { return roster_; }
    // Null: nobody listens. A listener must outlive the server or be replaced first.
    void setListener(RelayListener* listener) { listener_ = listener; }
    RelayStats stats() const;

private:
    void admit(const SocketAddress& sender, uint32_t sessionKey, const uint8_t* nickname);
    void releaseSlot(int slot);
    void relayVoice(int speaker, const uint8_t* frame);

    DatagramEndpoint endpoint_;
    Roster roster_;
    SendBudget budget_;
    RelayListener* listener_ = nullptr;
    uint64_t relayedCopies_ = 0;
    uint64_t withheldCopies_ = 0;
    uint64_t junkDatagrams_ = 0;
};

// The box either program shows when the relay's socket cannot be opened on the chosen port.
inline constexpr char TEXT_SERVER_SOCKET_FAILED[] = "サーバソケットの作成に失敗しました。";
inline constexpr char CAPTION_SERVER_SOCKET_FAILED[] = "ポート使ってない？";
