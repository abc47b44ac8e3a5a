// Ahead of the device's header, which brings in <windows.h>: the loop's header declares names
// that <windows.h> defines as macros.
#include "platform/event_loop.h"

#include "audio/audio_system.h"

#include "audio/audio_fault.h"
#include "wave_device.h"

AudioSystem::~AudioSystem()
{
    disconnect();
}

int AudioSystem::connect(const char*, EventLoop*)
{
    // The application's name is shown nowhere: wave devices have no session to name. Nothing
    // can break between devices, so the window is not needed: each device reports its own loss.
    state_.connected = waveOutGetNumDevs() > 0 || waveInGetNumDevs() > 0;
    return state_.connected ? 0 : negativeResult(MMSYSERR_NODRIVER);
}

void AudioSystem::disconnect()
{
    state_.connected = false;
}

bool AudioSystem::isConnected() const
{
    return state_.connected;
}

// Valid until the next call on the same thread. The texts of the system's codes are the same
// for input and output devices (waveInGetErrorText gives the same ones), so one table serves.
const char* AudioSystem::errorText(int result)
{
    if (result == AUDIO_ALREADY_RUNNING) {
        return "Device already running";
    }
    wchar_t wide[MAXERRORLENGTH];
    if (result > 0 || waveOutGetErrorTextW(static_cast<UINT>(-result), wide, MAXERRORLENGTH) != MMSYSERR_NOERROR) {
        return "Unknown error code";
    }
    // Up to three UTF-8 bytes for each UTF-16 unit of the text.
    thread_local char text[3 * MAXERRORLENGTH];
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr) == 0) {
        return "Unknown error code";
    }
    return text;
}

int checkWaveResult(MMRESULT result, bool& gone, EventLoop* window)
{
    if (isDeviceGone(result) && !gone) {
        gone = true;
        if (window != nullptr) {
            window->post(WM_AUDIO_FAULT, 0, 0);
        }
    }
    return negativeResult(result);
}

int prepareWaveFormat(const AudioSystem& audio, const PcmFormat& format, WAVEFORMATEX& waveFormat)
{
    if (!audio.isConnected()) {
        return negativeResult(MMSYSERR_NODRIVER);
    }
    waveFormat.wFormatTag = format.formatTag;
    waveFormat.nChannels = format.channels;
    waveFormat.nSamplesPerSec = format.samplesPerSecond;
    waveFormat.nAvgBytesPerSec = format.averageBytesPerSecond;
    waveFormat.nBlockAlign = format.blockAlign;
    waveFormat.wBitsPerSample = format.bitsPerSample;
    waveFormat.cbSize = format.extraSize;
    return 0;
}
