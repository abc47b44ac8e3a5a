#pragma once
// What the wave-audio devices share: the check before a device is opened, and the sign of
// their results.

#include "audio/audio_system.h"

#include <windows.h>
// <mmsystem.h> needs what <windows.h> declares.
#include <mmsystem.h>

// 0 with waveFormat filled from format, or the negative error of a missing connection.
int prepareWaveFormat(const AudioSystem& audio, const PcmFormat& format, WAVEFORMATEX& waveFormat);

// A wave function's result as the layer's: 0, or the negative of the system's code.
inline int negativeResult(MMRESULT result)
{
    return -static_cast<int>(result);
}

class EventLoop;

// A result that says the device itself is gone (unplugged, its driver removed), not that one
// call was refused: the device will not work again until opened anew.
inline bool isDeviceGone(MMRESULT result)
{
    return result == MMSYSERR_NODRIVER || result == MMSYSERR_BADDEVICEID || result == MMSYSERR_NODRIVERCB ||
           result == MMSYSERR_INVALHANDLE;
}

// A wave call's result as the layer's. A result that says the device is gone marks it so and
// tells window (WM_AUDIO_FAULT) the first time.
int checkWaveResult(MMRESULT result, bool& gone, EventLoop* window);

// The driver sets a header's flags on its own thread.
inline DWORD headerFlags(const WAVEHDR& header)
{
    return __atomic_load_n(&header.dwFlags, __ATOMIC_ACQUIRE);
}
