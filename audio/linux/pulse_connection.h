#pragma once
// What every PulseAudio device does with the connection (audio/linux/audio_system_state.h):
// the main-loop lock it shares with the connection's thread, and the checks before a stream.

#include "audio/audio_system.h"

struct pa_sample_spec;

// Holds a main loop's lock for its lifetime; no-op without a main loop. Every call into the
// context or its streams from a thread other than the connection's own holds it.
class MainloopLock {
public:
    explicit MainloopLock(pa_threaded_mainloop* mainloop);
    ~MainloopLock();
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

private:
    pa_threaded_mainloop* mainloop_;
};

// What every device checks before it creates a stream on audio: 0 with sampleSpec filled, or
// the negative error of a missing connection or a format the server lacks. Needs no lock.
int prepareStream(const AudioSystem& audio, const PcmFormat& format, pa_sample_spec& sampleSpec);

// The context's error code as a negative result; never 0 for a call that failed. Lock held.
int negativeError(const pa_context* context);

// What the server says of itself: whether it is PipeWire's pipewire-pulse, and the name of the
// output that streams without a device of their own play to (empty when it has none).
struct ServerFacts {
    bool pipeWire = false;
    char defaultSink[256] = {};
};

// Asks the connected server; what it does not answer stays as in a fresh ServerFacts. Lock held.
ServerFacts askServer(pa_threaded_mainloop* mainloop, pa_context* context);
