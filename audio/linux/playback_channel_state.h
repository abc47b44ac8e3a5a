#pragma once
// The PulseAudio side of PlaybackChannel: a playback stream of the channel's own, the timing
// reports its queue is worked out from, and the block being queued with its concealment
// (audio/linux/playback_channel.cpp).
// audio/playback_channel.h includes it as "playback_channel_state.h": the build puts this folder on
// the include path on Linux, and audio/windows/ with its twin on Windows.

#include <cstdint>

#include "audio/playout_policy.h"
#include "audio/ring_sizes.h"
#include "audio_system_state.h"

class AudioSystem;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;

struct PlaybackChannelState {
    // Set while a stream is open. The AudioSystem it was opened on stays connected until
    // the channel is closed.
    pa_threaded_mainloop* mainloop = nullptr;
    pa_stream* stream = nullptr;
    pa_operation* timingRequest = nullptr;
    StreamWatch watch;
    // The connection the stream was opened on, to open it again under another name.
    AudioSystem* audio = nullptr;
    // The server takes back queued audio that a write moves over (PulseAudio), rather than only
    // what has not reached its graph yet (PipeWire).
    bool rewinds = true;
    // Written since the stream opened; stands in for the queue until the first timing report.
    uint64_t bytesWritten = 0;
    // Concealment written after the last block: the end of what the stream holds.
    uint32_t concealedBytes = 0;
    // Where the next write moves the write index first (back over concealment not played).
    int64_t nextOffset = 0;
    int16_t blocks[PLAYBACK_BLOCK_COUNT * PLAYBACK_BLOCK_BYTES / 2] = {};
    int16_t concealment[PlayoutPolicy::CONCEAL_BYTES / 2] = {};
};
