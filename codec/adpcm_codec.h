#pragma once
// 4-bit ADPCM voice coder. Each frame carries the decoder state it starts in, so frames
// decode independently; the encoder carries its state from frame to frame.
// Threading: a coder belongs to one thread; the tables are constant.

#include <cstdint>

#include "codec/adpcm_tables.h"
#include "codec/codec_results.h"
#include "codec/voice_frame.h"

// The coder's state between two samples: where a frame starts (its header) or ends.
struct AdpcmState {
    int32_t predictor = 0;
    int32_t stepIndex = 0;

    bool operator==(const AdpcmState&) const = default;
};

// The state a frame starts in, from its header.
AdpcmState startStateOf(const VoiceFrame& frame);

// Encoder state of one outgoing voice stream; starts at (0, 0).
struct AdpcmCoder {
    int32_t predictor = 0;  // last reconstructed sample, -32768..32767
    int32_t stepIndex = 0;  // 0..88

    void reset();

    // Encodes count (0..500) samples with an input gain of gainDb decibels into frame and
    // advances the coder.
    void encode(VoiceFrame& frame, const int16_t* samples, int count, int gainDb);
};

// Decodes the first count (0..500) codes of frame, trusting its header; returns the state the
// decoder ends in, which after all 500 codes is the encoder's after the frame: the state the
// sender's next frame starts in.
AdpcmState decodeVoiceFrame(int16_t* samples, int count, const VoiceFrame& frame);

// Decoder for frames from the network: refuses a step index above 88 or a count outside
// 0..500 with CODEC_FRAME_REFUSED, writing nothing; otherwise decodes like decodeVoiceFrame
// and returns 0, with the state it ended in in *end where end is given.
int decodeReceivedFrame(int16_t* samples, int count, const VoiceFrame& frame, AdpcmState* end = nullptr);

// The meters' top: levels are half decibels below full scale, counted up from silence.
constexpr int METER_FULL_SCALE = 96;

// Meter level 0..METER_FULL_SCALE of a block whose largest reconstructed magnitude is peak
// (0..32768).
int levelFromPeak(int peak);
