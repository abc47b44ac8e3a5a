#include "server/dedicated_server.h"

#include <cstring>

#include "codec/voice_frame.h"
#include "conference/voice_playback.h"
#include "conference/worker_events.h"
#include "resources/control_ids.h"

namespace {

constexpr char TITLE_STARTING[] = "Kovaro SERVER- 接続中...";
constexpr char TITLE_RUNNING[] = "Kovaro SERVER- サーバ稼働中";
constexpr char TITLE_STOPPED[] = "Kovaro SERVER- 切断";

}

DedicatedServer::DedicatedServer(EventLoop& loop, RelayServer& server, PlaybackChannel* channels,
                                 const MuteFlags& mutes, MainWindowView& view)
    : loop_(loop), server_(server), channels_(channels), view_(view), playback_(loop, channels, mutes, view_)
{
    server_.setListener(this);
}

void DedicatedServer::start(const ConnectSettings* shared)
{
    view_.title(TITLE_STARTING);
    clearSlotRows(view_);
    std::memcpy(&settings_, shared, sizeof settings_);

    // The sessions and the roster stay: a restart on another port keeps the conference, and
    // whoever does not follow expires.
    server_.Close();
    if (settings_.serverMode == 0)
        return;
    if (server_.Open(&loop_, settings_.remotePort) < 0) {
        // A sweep timer of an earlier start keeps running and lets the old sessions expire.
        view_.title(TITLE_STOPPED);
        view_.warning(TEXT_SERVER_SOCKET_FAILED, CAPTION_SERVER_SOCKET_FAILED);
        return;
    }
    loop_.setTimer(TIMER_PEER_SWEEP, PEER_SWEEP_PERIOD_MS);
    view_.title(TITLE_RUNNING);
}

void DedicatedServer::joined(int slot, const uint8_t* nickname)
{
    showSlotNickname(slot, nickname, channels_, view_);
    playback_.forget(slot);
}

void DedicatedServer::left(int slot)
{
    view_.controlText(IDC_SLOT_NAME_BASE + slot, "");
    channels_[slot].setDisplayName("");
    playback_.forget(slot);
}

void DedicatedServer::voice(int slot, const uint8_t* frame)
{
    VoiceFrame received;
    std::memcpy(&received, frame, sizeof received);
    playback_.receive(received, slot);
}
