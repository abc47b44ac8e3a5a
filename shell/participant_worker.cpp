#include "shell/participant_worker.h"

#include "audio/audio_fault.h"
#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/playback_channel.h"
#include "audio/voice_processor.h"
#include "codec/adpcm_codec.h"
#include "conference/conference_events.h"
#include "conference/mute_flags.h"
#include "conference/participant_link.h"
#include "conference/relay_server.h"
#include "conference/voice_playback.h"
#include "conference/voice_processing_switches.h"
#include "conference/voice_sending.h"
#include "conference/worker_events.h"
#include "shell/sound_devices.h"

namespace {

constexpr char APPLICATION_NAME[] = "Kovaro";

struct ParticipantObjects final : WorkerEvents {
    ParticipantObjects(EventLoop& eventLoop, MainWindowView& windowView)
        : loop(eventLoop),
          view(windowView),
          sound(loop, view, APPLICATION_NAME, &capture, channels),
          participant(ParticipantParts{&loop, &server, &capture, channels, &coder, &playback, &view}),
          playback(loop, channels, mutes, view)
    {
    }

    void handle(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void shutDown() override;

    EventLoop& loop;
    MainWindowView& view;
    CaptureDevice capture;
    PlaybackChannel channels[SLOT_COUNT];
    SoundDevices sound;
    // Given the addresses of server, coder and playback before they are built; it uses none of
    // them before the worker's first event.
    ParticipantLink participant;
    RelayServer server;
    AdpcmCoder coder;
    VoiceProcessor processor;
    MuteFlags mutes;
    VoicePlayback playback;
};

void ParticipantObjects::handle(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (dispatchConferenceEvent(participant, server, message, wParam, lParam) || sound.dispatch(message, wParam))
        return;
    switch (message) {
    case WM_COMMAND:
        if ((wParam & 0xFFFFu) == CMD_VOICE_PROCESSING) {
            const VoiceProcessingSwitches switches = unpackSwitches(lParam);
            processor.setSwitches(switches);
            capture.recordReference(switches.echoCancel);
        } else {
            applyMuteCommand(mutes, wParam, lParam);
        }
        break;
    case MM_WIM_DATA:
        sendCapturedBuffer(capture, static_cast<int>(lParam), processor, coder, mutes, participant.link, view);
        break;
    default:
        break;
    }
}

void ParticipantObjects::shutDown()
{
    participant.leave();
    loop.killTimer(TIMER_KEEPALIVE);
    sound.close();
    server.Close();
    loop.killTimer(TIMER_PEER_SWEEP);
}

}  // namespace

void serveParticipant(WorkerThread& thread, EventLoop& loop, MainWindowView& view)
{
    serveWorkerObjects<ParticipantObjects>(thread, loop, view);
}
