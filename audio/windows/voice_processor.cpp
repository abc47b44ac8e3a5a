#include "audio/voice_processor.h"

#include "platform/debug_output.h"

VoiceProcessor::VoiceProcessor() = default;

VoiceProcessor::~VoiceProcessor() = default;

void VoiceProcessor::setSwitches(const VoiceProcessingSwitches& switches)
{
    switches_ = switches;
}

void VoiceProcessor::process(int16_t*, const int16_t*)
{
    const bool wanted = switches_.echoCancel || switches_.noiseSuppression || switches_.autoGain;
    if (state_.told || !wanted)
        return;
    state_.told = true;
    debugOutput("audio: no voice processing in this build; the microphone is sent as it is\n");
}

void VoiceProcessor::forgetEchoPath() {}
