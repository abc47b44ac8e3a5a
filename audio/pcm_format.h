#pragma once
// The PCM format record every audio device of the system is opened with.

#include <cstdint>

constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct PcmFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSecond;
    uint32_t averageBytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};

PcmFormat& makePcmFormat(PcmFormat& format, int channels, int samplesPerSecond, int bitsPerSample);

// The format of the voice everywhere: mono, 8000 samples a second, 16 bits.
PcmFormat& makeVoiceFormat(PcmFormat& format);
