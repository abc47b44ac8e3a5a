#pragma once
// Cleans the microphone's blocks before they are encoded: the loudspeaker's echo is taken out
// first, then steady noise, then the level is evened out. Each step has its switch. Where the
// system has no processing library (voice_processor_state.h of the system says so), blocks
// pass unchanged and the program says so once.
// Threading: worker thread only. Nothing is allocated per block.

#include <cstdint>

#include "conference/voice_processing_switches.h"
// From audio/linux/ or audio/windows/, whichever the build puts on the include path.
#include "voice_processor_state.h"

class VoiceProcessor {
public:
    // The block every call works on: one capture buffer, 62.5 ms at 8000 samples a second.
    static constexpr int BLOCK_SAMPLES = 500;

    VoiceProcessor();
    ~VoiceProcessor();
    VoiceProcessor(const VoiceProcessor&) = delete;
    VoiceProcessor& operator=(const VoiceProcessor&) = delete;

    static constexpr bool isAvailable() { return VOICE_PROCESSING_AVAILABLE; }

    void setSwitches(const VoiceProcessingSwitches& switches);
    const VoiceProcessingSwitches& switches() const { return switches_; }

    // Processes block in place. reference: what the loudspeaker played over the same 62.5 ms,
    // leading the microphone, or nullptr when it is not known (no echo is taken out then).
    void process(int16_t* block, const int16_t* reference);
    // The reference's timing against the microphone changed (its stream started anew or was
    // aligned again): the echo path learnt so far no longer holds.
    void forgetEchoPath();

private:
    VoiceProcessingSwitches switches_;
    VoiceProcessorState state_;
};
