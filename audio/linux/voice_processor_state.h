#pragma once
// The speexdsp side of VoiceProcessor (audio/linux/voice_processor.cpp).
// audio/voice_processor.h includes it as "voice_processor_state.h": the build puts this folder on
// the include path on Linux, and audio/windows/ with its twin on Windows.

#include <cstdint>

constexpr bool VOICE_PROCESSING_AVAILABLE = true;

struct SpeexEchoState_;
struct SpeexPreprocessState_;

struct VoiceProcessorState {
    SpeexEchoState_* echo = nullptr;
    SpeexPreprocessState_* preprocess = nullptr;
    // A silent reference for the blocks that come without one.
    int16_t silence[100] = {};
    // 12.5 ms frames since the reference last played something (capped at the echo's tail).
    int framesSincePlaying = 1 << 20;
    // The automatic gain may not rise (the last frame was no speech, or mostly echo).
    bool gainHeld = false;
    // The last block came with a reference (the debug output tells when that changes).
    bool hadReference = false;
};
