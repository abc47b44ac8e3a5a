#pragma once
// The program's one connection to the system's sound service, on which every capture device
// and playback channel is opened. What the connection holds is the system's own
// (audio_system_state.h of audio/linux or audio/windows).
// Threading: connect/disconnect on the worker thread.

#include "audio/audio_results.h"
#include "audio/pcm_format.h"
// From audio/linux/ or audio/windows/, whichever the build puts on the include path.
#include "audio_system_state.h"

class EventLoop;

class AudioSystem {
public:
    AudioSystem() = default;
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    // Connects as applicationName. 0, or a negative error whose text errorText gives (the
    // sound system's own description). When the connection breaks later, WM_AUDIO_FAULT
    // (audio/audio_fault.h) is posted to window, if there is one.
    int connect(const char* applicationName, EventLoop* window = nullptr);
    void disconnect();
    // Whether the connection is up; false once it broke.
    bool isConnected() const;
    // The text (UTF-8) of any result of the audio layer (audio/audio_results.h); never null.
    static const char* errorText(int result);

    // What the devices opened on this connection build on.
    const AudioSystemState& state() const { return state_; }

private:
    AudioSystemState state_;
};
