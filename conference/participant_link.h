#pragma once
// The participant role: connects (hosting the relay server in server mode), joins under the
// nickname, keeps the link alive, and turns what the server sends into the window's state
// and the slots' playback.
// Threading: worker thread only.

#include <cstdint>

#include "audio/capture_device.h"
#include "audio/playback_channel.h"
#include "codec/adpcm_codec.h"
#include "conference/connect_settings.h"
#include "conference/relay_server.h"
#include "conference/voice_playback.h"
#include "net/link_endpoint.h"
#include "net/wire_protocol.h"
#include "platform/event_loop.h"
#include "platform/main_window_view.h"

struct ParticipantParts {
    EventLoop* loop;
    RelayServer* server;
    CaptureDevice* capture;
    PlaybackChannel* channels;  // SLOT_COUNT of them
    AdpcmCoder* coder;
    VoicePlayback* playback;
    MainWindowView* view;
};

class ParticipantLink {
public:
    static constexpr int32_t SERVER_COUNTDOWN = 5;

    explicit ParticipantLink(const ParticipantParts& parts) : link(SERVER_COUNTDOWN), parts_(parts) {}

    // WM_WORKER_CONNECT: lParam points at the main thread's record, copied here.
    void Connect(const ConnectSettings* shared);
    // WM_CLIENT_SOCKET: one datagram per notification.
    void HandleClientSocket(intptr_t lParam);
    // TIMER_JOIN_RETRY.
    void RetryJoin();
    // TIMER_KEEPALIVE.
    void KeepAlive();
    // TIMER_VOICE_HOLD.
    void releaseHeldVoice() { parts_.playback->releaseDue(); }
    // The shutdown's first steps: MSG_LEAVE to the server, then Disconnect.
    void leave();

    LinkEndpoint link;
    ConnectSettings settings{};

private:
    // How every connect failure ends: the title, then the box.
    void failConnect(const char* text, const char* caption);
    void reactToRefusal();
    void reactToMessage(uint8_t type, int slot, const uint8_t* payload);

    ParticipantParts parts_;
    // Zeroed before every receive, so no byte of an earlier datagram is ever read.
    uint8_t receiveBuffer_[MAX_DATAGRAM] = {};
};
