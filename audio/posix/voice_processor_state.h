#pragma once
// The speexdsp side of VoiceProcessor (audio/posix/voice_processor.cpp).

#include <cstdint>

constexpr bool VOICE_PROCESSING_AVAILABLE = true;

struct SpeexEchoState_;
struct SpeexPreprocessState_;

struct VoiceProcessorState {
    SpeexEchoState_* echo = nullptr;
    SpeexPreprocessState_* preprocess = nullptr;
    // A silent reference for the blocks that come without one.
    int16_t silence[100] = {};
};
