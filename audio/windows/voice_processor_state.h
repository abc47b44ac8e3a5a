#pragma once
// No processing library is built for this system: VoiceProcessor passes blocks unchanged.

constexpr bool VOICE_PROCESSING_AVAILABLE = false;

struct VoiceProcessorState {
    bool told = false;
};
