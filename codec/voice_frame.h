#pragma once
// The encoded voice block: 500 samples at 4 bits each plus the decoder state the block
// starts in, 254 bytes laid out identically in memory and on the wire.

#include <cstdint>

constexpr int VOICE_FRAME_SIZE = 254;
constexpr int SAMPLES_PER_FRAME = 500;
constexpr int VOICE_CODE_BYTES = SAMPLES_PER_FRAME / 2;

struct VoiceFrame {
    uint8_t predictorBytes[2];        // signed 16-bit, little-endian whatever the host order
    uint8_t stepIndex;                // 0..88 in every frame an encoder produced
    uint8_t level;                    // 0..96, half-decibel steps below full scale
    uint8_t codes[VOICE_CODE_BYTES];  // sample 2k in the low nibble of byte k, 2k+1 in the high one

    int16_t predictor() const
    {
        return static_cast<int16_t>(static_cast<uint16_t>(predictorBytes[0] | predictorBytes[1] << 8));
    }

    void setPredictor(int16_t value)
    {
        const auto bits = static_cast<uint16_t>(value);
        predictorBytes[0] = static_cast<uint8_t>(bits);
        predictorBytes[1] = static_cast<uint8_t>(bits >> 8);
    }
};

static_assert(sizeof(VoiceFrame) == VOICE_FRAME_SIZE);
static_assert(alignof(VoiceFrame) == 1);
