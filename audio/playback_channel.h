#pragma once
// One slot's output: a playback stream of its own on the default output, fed in blocks of
// at most 1000 bytes through a ring of 8. At most 8 blocks (0.5 s) wait in a channel; a
// write that would exceed that never overwrites queued audio (see the .cpp for the rule).
// How much waits below that is the playout policy's choice (audio/playout_policy.h).
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "audio/pcm_format.h"
#include "audio/playout_policy.h"

class AudioSystem;
class EventLoop;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;

class PlaybackChannel {
public:
    static constexpr int BLOCK_COUNT = 8;
    static constexpr int BLOCK_BYTES = 1000;

    PlaybackChannel();
    ~PlaybackChannel();
    PlaybackChannel(const PlaybackChannel&) = delete;
    PlaybackChannel& operator=(const PlaybackChannel&) = delete;

    // Opens a stream for slot (named after it) on the default output; closes an open one
    // first. 0, or a negative error (AudioSystem::errorText describes it).
    int open(AudioSystem& audio, EventLoop* window, const PcmFormat& format, int slot);
    // 0 without a device; else queues min(length, 1000) bytes as block writeCount mod 8.
    int write(const uint8_t* data, size_t length);
    // Shows the slot's nickname (UTF-8) as the stream's name in the system mixer.
    void setDisplayName(const char* nickname);
    void close();

    bool isOpen() const;
    uint32_t writeCount() const;
    // Speech this channel's stream still holds, in bytes (written and not yet played); the
    // concealment after it is not counted.
    uint32_t queuedBytes() const;
    // Writes refused because the channel already held 8 blocks.
    uint32_t droppedWrites() const;
    // The playout policy's state: its floor, the gaps it saw, what it cut.
    const PlayoutPolicy& playout() const;

private:
    uint32_t queuedBytesLocked() const;
    // The speech among the queued bytes: those not written as concealment.
    uint32_t speechOf(uint32_t queued) const;
    // Hands count bytes to the stream, offset bytes from where the last write ended: 0 or a
    // negative error.
    int queueLocked(const uint8_t* bytes, uint32_t count, int64_t offset);
    // Asks the server for a fresh timing report unless one is still on its way.
    void requestTimingLocked();
    // Waits (main loop locked) until the server has answered a timing request.
    void awaitTimingLocked();
    bool reportIsStaleLocked() const;
    void dropTimingRequest();

    // Set while a stream is open. The AudioSystem it was opened on stays connected until
    // the channel is closed.
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_operation* timingRequest_ = nullptr;
    int slot_ = 0;
    // Written since the stream opened; stands in for the queue until the first timing report.
    uint64_t bytesWritten_ = 0;
    // Concealment written after the last block: the end of what the stream holds.
    uint32_t concealedBytes_ = 0;
    uint32_t writeCount_ = 0;
    uint32_t droppedWrites_ = 0;
    PlayoutPolicy playout_;
    int16_t blocks_[BLOCK_COUNT * BLOCK_BYTES / 2] = {};
    int16_t concealment_[PlayoutPolicy::CONCEAL_BYTES / 2] = {};
};
