#pragma once
// What the audio layer posts to the window its connection and devices were opened for when
// sound goes away under them: the connection to the sound server broke, or a device's stream
// failed or was killed (its device removed, the server gone). wParam and lParam are 0, and one
// fault may bring several of these; the worker checks what still works (isWorking) and opens
// everything again once the sound server answers.

#include <cstdint>

constexpr uint32_t WM_AUDIO_FAULT = 0x8300;
