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

struct ParticipantObjects {
    ParticipantObjects(EventLoop& eventLoop, MainWindowView& windowView)
        : loop(eventLoop),
          view(windowView),
          sound(loop, view, APPLICATION_NAME, &capture, channels),
          participant(ParticipantParts{&loop, &server, &capture, channels, &coder, &playback, &view}),
          playback(loop, channels, mutes, view)
    {
    }

    WorkerEvents events() { return {this, handle, shutDown}; }

    static void handle(void* self, uint32_t message, uintptr_t wParam, intptr_t lParam);
    static void shutDown(void* self);

    EventLoop& loop;
    MainWindowView& view;
    CaptureDevice capture;
    PlaybackChannel channels[SLOT_COUNT];
    SoundDevices sound;
    // Holds pointers to the members below; none is used before the worker's first event.
    ParticipantLink participant;
    RelayServer server;
    AdpcmCoder coder;
    VoiceProcessor processor;
    MuteFlags mutes;
    VoicePlayback playback;
};

void ParticipantObjects::handle(void* self, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    auto& objects = *static_cast<ParticipantObjects*>(self);
    if (dispatchConferenceEvent(objects.participant, objects.server, message, wParam, lParam))
        return;
    switch (message) {
    case WM_WORKER_START:
        objects.sound.openAtStart();
        break;
    case WM_AUDIO_FAULT:
        objects.sound.handleFault();
        break;
    case WM_TIMER:
        if (wParam == TIMER_AUDIO_RETRY)
            objects.sound.retry();
        break;
    case WM_COMMAND:
        if ((wParam & 0xFFFFu) == CMD_VOICE_PROCESSING) {
            const VoiceProcessingSwitches switches = unpackSwitches(lParam);
            objects.processor.setSwitches(switches);
            objects.capture.recordReference(switches.echoCancel);
        } else {
            applyMuteCommand(objects.mutes, wParam, lParam);
        }
        break;
    case MM_WIM_DATA:
        sendCapturedBuffer(objects.capture, static_cast<int>(lParam), objects.processor, objects.coder, objects.mutes,
                           objects.participant.link, objects.view);
        break;
    default:
        break;
    }
}

void ParticipantObjects::shutDown(void* self)
{
    auto& objects = *static_cast<ParticipantObjects*>(self);
    objects.participant.leave();
    objects.loop.killTimer(TIMER_KEEPALIVE);
    objects.sound.close();
    objects.server.Close();
    objects.loop.killTimer(TIMER_PEER_SWEEP);
}

}  // namespace

void serveParticipant(WorkerThread& thread, EventLoop& loop, MainWindowView& view)
{
    serveWorkerObjects<ParticipantObjects>(thread, loop, view);
}
