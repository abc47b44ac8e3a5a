#pragma once
// No processing library is built for this system: VoiceProcessor passes blocks unchanged.
// audio/voice_processor.h includes it as "voice_processor_state.h": the build puts this folder on
// the include path on Windows, and audio/linux/ with its twin on Linux.

constexpr bool VOICE_PROCESSING_AVAILABLE = false;

struct VoiceProcessorState {
    bool told = false;
};
