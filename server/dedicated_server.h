#pragma once
// The relay server as the dedicated program runs it: started on the port of the dialog's record,
// and listened in on. Every slot's nickname shows in its label, every voice frame is decoded,
// played on the slot's channel unless muted here, and moves the slot's meter. The mutes act
// on this program's playback only; the relaying never stops for them.
// Threading: worker thread only.

#include "audio/playback_channel.h"
#include "conference/connect_settings.h"
#include "conference/mute_flags.h"
#include "conference/relay_server.h"
#include "conference/voice_playback.h"
#include "platform/event_loop.h"
#include "platform/main_window_view.h"

class DedicatedServer final : private RelayListener {
public:
    DedicatedServer(EventLoop& loop, RelayServer& server, PlaybackChannel* channels, const MuteFlags& mutes,
                    MainWindowView& view);
    DedicatedServer(const DedicatedServer&) = delete;
    DedicatedServer& operator=(const DedicatedServer&) = delete;

    // WM_WORKER_CONNECT: labels and meters cleared, the record copied, the socket reopened on
    // its remotePort and the sweep started; a port that cannot be opened is told in a box, and
    // the server then stays closed until the next start.
    void start(const ConnectSettings* shared);
    // TIMER_VOICE_HOLD.
    void releaseHeldVoice() { playback_.releaseDue(); }

private:
    void joined(int slot, const uint8_t* nickname) override;
    void left(int slot) override;
    void voice(int slot, const uint8_t* frame) override;

    EventLoop& loop_;
    RelayServer& server_;
    PlaybackChannel* channels_;
    MainWindowView& view_;
    VoicePlayback playback_;
    ConnectSettings settings_{};
};
