#pragma once
// Everything the participant worker owns, built once on the worker thread in this order:
// capture device, the 16 playback channels, the participant's link, the relay server's
// endpoint, the encoder; then the mute flags.

#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/playback_channel.h"
#include "codec/adpcm_codec.h"
#include "conference/mute_flags.h"
#include "conference/participant_link.h"
#include "conference/relay_server.h"

struct WorkerObjects {
    WorkerObjects(EventLoop& loop, const MainWindowView& view)
        : participant(ParticipantParts{&loop, &server, &capture, channels, &coder, &mutes, &view})
    {
    }

    AudioSystem audio;
    CaptureDevice capture;
    PlaybackChannel channels[SLOT_COUNT];
    // Holds pointers to the members below; none is used before the worker's first event.
    ParticipantLink participant;
    RelayServer server;
    AdpcmCoder coder;
    MuteFlags mutes;
};
