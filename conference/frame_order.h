#pragma once
// The order of one speaker's voice frames, told from the coder states they carry. The wire has
// no sequence number, but a sender's coder runs on from frame to frame: each frame's header
// holds the state its predecessor ended in, and decoding a frame ends in exactly that state.
// So a frame continues the one played last when it starts where that one ended (or starts
// from a reset coder, as after a mute or a new connect). One that does not follows a lost
// frame or came early: it is held a short, bounded time in case the missing one is still on
// its way, and both then play in order. A frame that fits between states already played came
// too late, or twice, and is dropped.
// Threading: the owner's; no lock inside.

#include <cstdint>

#include "codec/adpcm_codec.h"

enum class FrameFate : uint8_t {
    PLAY,  // play it now
    HOLD,  // it may wait for its predecessor: the caller bounds the wait with holdFor()
    DROP,  // its moment has passed: it came too late, or again
};

// What to do on an arrival: the held frame (if heldFirst) goes before this one, the held frame
// (if heldAfter) after it.
struct FrameArrival {
    bool heldFirst = false;
    FrameFate fate = FrameFate::PLAY;
    bool heldAfter = false;
};

class FrameOrder {
public:
    // No frame waits longer than this for its predecessor (reordering in the network moves a
    // frame by about a block; beyond this it costs more delay than it saves).
    static constexpr int64_t HOLD_LIMIT_USEC = 50000;
    // Frames played whose states are remembered to recognise late ones and repeats (0.25 s).
    static constexpr int HISTORY = 4;

    void reset() { *this = FrameOrder{}; }

    // A frame starting in start and ending in end arrives.
    FrameArrival arrive(AdpcmState start, AdpcmState end);
    // After an arrival with the fate HOLD: the frame waits from nowUsec for at most holdUsec
    // (and HOLD_LIMIT_USEC). False when it may not wait at all: it then counts as played.
    bool holdFor(int64_t nowUsec, int64_t holdUsec);
    // The held frame's hold has ended: it counts as played, after a loss.
    void releaseHeld();

    bool holding() const { return holding_; }
    int64_t heldSinceUsec() const { return heldSinceUsec_; }
    int64_t heldUntilUsec() const { return heldUntilUsec_; }
    // Frames dropped as late or repeated.
    uint32_t dropped() const { return dropped_; }

private:
    bool continuesPlayed(AdpcmState start) const;
    bool playedAlready(AdpcmState start, AdpcmState end) const;
    void played(AdpcmState start, AdpcmState end);

    // The states of the last HISTORY frames played, newest at newest_.
    AdpcmState starts_[HISTORY] = {};
    AdpcmState ends_[HISTORY] = {};
    int playedCount_ = 0;
    int newest_ = 0;
    bool holding_ = false;
    AdpcmState heldStart_;
    AdpcmState heldEnd_;
    int64_t heldSinceUsec_ = 0;
    int64_t heldUntilUsec_ = 0;
    uint32_t dropped_ = 0;
};
