#include "shell/participant_worker.h"

#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/playback_channel.h"
#include "codec/adpcm_codec.h"
#include "conference/conference_events.h"
#include "conference/mute_flags.h"
#include "conference/participant_link.h"
#include "conference/relay_server.h"
#include "conference/voice_sending.h"
#include "conference/worker_events.h"
#include "shell/playback_devices.h"

namespace {

constexpr char APPLICATION_NAME[] = "Kovaro";
constexpr char CAPTION_INPUT_FAILED[] = "Error: オーディオ入力デバイスが開けません。";

// Built once on the worker thread in this order: capture device, the 16 playback channels,
// the participant's link, the relay server's endpoint, the encoder; then the mute flags.
struct ParticipantObjects {
    ParticipantObjects(EventLoop& eventLoop, const MainWindowView& windowView)
        : loop(eventLoop),
          view(windowView),
          participant(ParticipantParts{&loop, &server, &capture, channels, &coder, &mutes, &view})
    {
    }

    WorkerEvents events() { return {this, handle, shutDown}; }

    static void handle(void* self, uint32_t message, uintptr_t wParam, intptr_t lParam);
    static void shutDown(void* self);
    void openDevices();

    EventLoop& loop;
    MainWindowView view;
    AudioSystem audio;
    CaptureDevice capture;
    PlaybackChannel channels[SLOT_COUNT];
    // Holds pointers to the members below; none is used before the worker's first event.
    ParticipantLink participant;
    RelayServer server;
    AdpcmCoder coder;
    MuteFlags mutes;
};

void ParticipantObjects::handle(void* self, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    auto& objects = *static_cast<ParticipantObjects*>(self);
    if (dispatchConferenceEvent(objects.participant, objects.server, message, wParam, lParam))
        return;
    switch (message) {
    case WM_WORKER_START:
        objects.openDevices();
        break;
    case WM_COMMAND:
        applyMuteCommand(objects.mutes, wParam, lParam);
        break;
    case MM_WIM_DATA:
        sendCapturedBuffer(objects.capture, static_cast<int>(lParam), objects.coder, objects.mutes,
                           objects.participant.link, objects.view);
        break;
    default:
        break;
    }
}

void ParticipantObjects::openDevices()
{
    PcmFormat format;
    makeVoiceFormat(format);

    int result = audio.connect(APPLICATION_NAME);
    if (result == 0)
        result = capture.open(audio, &loop, format);
    if (result != 0)
        view.fatal(AudioSystem::errorText(result), CAPTION_INPUT_FAILED, true);
    openPlaybackChannels(audio, loop, format, channels, view);
}

void ParticipantObjects::shutDown(void* self)
{
    auto& objects = *static_cast<ParticipantObjects*>(self);
    objects.participant.leave();
    objects.capture.close();
    objects.loop.killTimer(TIMER_KEEPALIVE);
    closePlaybackChannels(objects.channels);
    objects.server.Close();
    objects.loop.killTimer(TIMER_PEER_SWEEP);
}

}  // namespace

void serveParticipant(WorkerThread& thread, EventLoop& loop, const MainWindowView& view)
{
    serveWorkerObjects<ParticipantObjects>(thread, loop, view);
}
