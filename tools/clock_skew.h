#pragma once
// One speaker's voice as a sender whose sound card runs `percent` fast (or slow, when
// negative) would send it: the samples are stretched by 1 + percent/100 (linear
// interpolation), cut into frames again and encoded afresh, and each new frame is due when
// its last sample would have been recorded by that clock, one frame after the real one.
// Threading: the owner's; nothing is allocated after construction.

#include <cstdint>

#include "codec/adpcm_codec.h"
#include "codec/voice_frame.h"

class ClockSkew {
public:
    // Input samples kept for interpolation: far more than one frame's worth.
    static constexpr int HISTORY = 4096;

    void setPercent(double percent) { ratio_ = 1.0 + percent / 100.0; }

    // Takes a received frame that arrived at arrivalUsec. Afterwards, next() gives the frames
    // that became complete. A pause of more than a second starts the stream afresh.
    void take(const VoiceFrame& frame, int64_t arrivalUsec);
    // The next complete frame and when it is due; false when none is complete.
    bool next(VoiceFrame& frame, int64_t& dueUsec);

private:
    double sampleAt(double position) const;

    double ratio_ = 1.0;
    int16_t history_[HISTORY] = {};
    // Frames taken since the stream started, and when the newest ended (its arrival).
    int64_t framesIn_ = 0;
    int64_t lastArrivalUsec_ = 0;
    // Frames made so far.
    int64_t framesOut_ = 0;
    AdpcmCoder coder_;
};
