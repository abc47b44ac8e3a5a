#pragma once
// The loudspeaker's sound beside the microphone, for the echo canceller: the monitor of the
// output the playback channels play to (the sound server's mix of every stream played there,
// other programs' too), recorded in the voice format. Each full microphone buffer is paired
// with the 500 reference samples of the same stretch of time, so that the reference leads
// its echo in the microphone.
//
// Alignment: the first buffer after a start is paired with the reference that had come when it
// filled. That still leads its echo: the monitor has the mix as the output plays it, and the
// microphone hears it only after the output's and the input's latency and the way through the
// room; waiting for more would delay every buffer by a delivery or two (31 ms each on PipeWire).
// From there every buffer takes the 500 samples that follow, so the echo path the canceller
// learns stays put however the two streams' deliveries jitter or come in bursts. A full buffer
// waits until its reference has come; when more than MAX_WAITING wait, the oldest goes with what
// there is. When every buffer of BEHIND_BUFFERS in a row had to wait for at least
// BEHIND_LEAST_SAMPLES, the pairing moves back by the least of those: the monitor now delivers
// later in the microphone's cycle than it did when the pairing was made (on PipeWire, started
// streams settle a whole 31 ms delivery apart). Only waits of 20 ms or more are worth the move,
// as the canceller then learns the room afresh. The pairing is made anew when the microphone
// lost audio (loseAlignment), when the reference stays more than REALIGN_SAMPLES ahead for
// AHEAD_BUFFERS buffers in a row (8 s: a loaded machine delivers the microphone late for seconds
// without losing any of it, so only clocks drifting apart move the echo that far for good), or
// at once when the ring no longer holds the reference; after STALL_BUFFERS buffers in a row
// without their reference, nothing waits for it any more until it delivers again, and it is then
// paired anew.
// Threading: the sound server's thread, under the main-loop lock.

#include <cstdint>

#include "audio/ring_sizes.h"
#include "audio_system_state.h"

struct pa_stream;

constexpr int CAPTURE_BUFFER_SAMPLES = CAPTURE_BUFFER_BYTES / 2;

enum class ReferenceStatus : uint8_t {
    None,       // no reference: no monitor, or it stalled
    Paired,     // follows the previous buffer's reference
    Realigned,  // paired anew: the echo path may have moved
};

struct EchoReference {
    static constexpr int RING_SAMPLES = 8192;
    static constexpr int MAX_WAITING = 2;
    static constexpr int REALIGN_SAMPLES = 1600;
    static constexpr int AHEAD_BUFFERS = 128;
    static constexpr int STALL_BUFFERS = 16;
    static constexpr int BEHIND_BUFFERS = 16;
    static constexpr uint64_t BEHIND_LEAST_SAMPLES = 160;

    pa_stream* stream = nullptr;
    StreamWatch watch;

    int16_t ring[RING_SAMPLES] = {};
    // Samples received since the stream opened; sample n sits at ring[n % RING_SAMPLES].
    uint64_t written = 0;
    // Where the oldest waiting buffer's reference ends; valid once aligned.
    uint64_t nextEnd = 0;
    // Where the last buffer's reference ended: a pairing made anew takes only samples after it.
    uint64_t pairedEnd = 0;
    bool aligned = false;
    // The pairing moved since the last buffer was paired: the next one says so.
    bool moved = false;
    bool stalled = false;
    int buffersAhead = 0;
    int buffersWithout = 0;
    // Buffers in a row that waited for their reference, and the least they waited, in samples.
    int buffersBehind = 0;
    uint64_t leastBehind = 0;
    // Full microphone buffers waiting for their reference, oldest first.
    int waiting[MAX_WAITING + 1] = {};
    int waitingCount = 0;
    // The user was told that the monitor cannot be had (worker thread).
    bool missingTold = false;

    // How much of each waiting buffer's reference had not come when it filled.
    uint64_t missingAtFill[CAPTURE_BUFFER_COUNT] = {};
    int16_t samples[CAPTURE_BUFFER_COUNT][CAPTURE_BUFFER_SAMPLES] = {};
    ReferenceStatus status[CAPTURE_BUFFER_COUNT] = {};
};

// Forgets the pairing (the streams start); waiting buffers must have been taken back.
void restartReference(EchoReference& reference);
// The microphone lost audio (no buffer had room for it): the pairing no longer holds, and the
// next buffer is paired anew.
void loseAlignment(EchoReference& reference);
// Keeps count samples of the monitor (nullptr: a hole, kept as silence).
void keepReference(EchoReference& reference, const int16_t* samples, uint64_t count);
// A microphone buffer has filled; it waits for its reference.
void waitForReference(EchoReference& reference, int index);
// The oldest waiting buffer, paired with its reference, once it may go (now: at once, with
// what has come; the recording stops); -1 while none may.
int nextPairedBuffer(EchoReference& reference, bool now = false);
