#pragma once
// The three switches of the microphone's voice processing, as the window, the settings file
// and participant-host set them and the worker applies them. One command carries all three:
// CMD_VOICE_PROCESSING in wParam, the switches packed into lParam (bit 0 echo cancellation,
// bit 1 noise suppression, bit 2 automatic gain).

#include <cstdint>

constexpr uint32_t CMD_VOICE_PROCESSING = 0x8104;

struct VoiceProcessingSwitches {
    bool echoCancel = true;
    bool noiseSuppression = true;
    bool autoGain = true;
};

inline intptr_t packSwitches(const VoiceProcessingSwitches& switches)
{
    return (switches.echoCancel ? 1 : 0) | (switches.noiseSuppression ? 2 : 0) | (switches.autoGain ? 4 : 0);
}

inline VoiceProcessingSwitches unpackSwitches(intptr_t packed)
{
    return {(packed & 1) != 0, (packed & 2) != 0, (packed & 4) != 0};
}
