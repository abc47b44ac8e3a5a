#include "server/server_worker.h"

#include "audio/audio_fault.h"
#include "audio/audio_system.h"
#include "audio/playback_channel.h"
#include "conference/mute_flags.h"
#include "conference/relay_server.h"
#include "conference/worker_events.h"
#include "server/dedicated_server.h"
#include "shell/sound_devices.h"

namespace {

constexpr char APPLICATION_NAME[] = "Kovaro SERVER";

struct ServerObjects final : WorkerEvents {
    ServerObjects(EventLoop& eventLoop, MainWindowView& windowView)
        : loop(eventLoop),
          view(windowView),
          sound(loop, view, APPLICATION_NAME, nullptr, channels),
          dedicated(loop, server, channels, mutes, view)
    {
    }

    void handle(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void shutDown() override;

    EventLoop& loop;
    MainWindowView& view;
    PlaybackChannel channels[SLOT_COUNT];
    SoundDevices sound;
    RelayServer server;
    MuteFlags mutes;
    DedicatedServer dedicated;
};

void ServerObjects::handle(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (server.dispatch(message, wParam, lParam) || sound.dispatch(message, wParam))
        return;
    switch (message) {
    case WM_WORKER_CONNECT:
        dedicated.start(reinterpret_cast<const ConnectSettings*>(lParam));
        break;
    case WM_TIMER:
        if (wParam == TIMER_VOICE_HOLD)
            dedicated.releaseHeldVoice();
        break;
    case WM_COMMAND:
        applyMuteCommand(mutes, wParam, lParam);
        break;
    default:
        break;
    }
}

void ServerObjects::shutDown()
{
    // Nothing goes to the participants: they find out through their own keep-alive.
    sound.close();
    server.Close();
    loop.killTimer(TIMER_PEER_SWEEP);
}

}  // namespace

void serveDedicatedServer(WorkerThread& thread, EventLoop& loop, MainWindowView& view)
{
    serveWorkerObjects<ServerObjects>(thread, loop, view);
}
