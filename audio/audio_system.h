#pragma once
// The program's one connection to the sound server (PulseAudio), with its own thread. The
// connection owns the lock that thread shares with every caller, and the checks every stream
// created on it passes first; the devices (audio/pulse_stream.h) build on these.
// Threading: connect/disconnect on the worker thread; the devices built on it use the lock.

#include "audio/audio_results.h"
#include "audio/pcm_format.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_sample_spec;

class AudioSystem {
public:
    AudioSystem() = default;
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    // Connects as applicationName without autospawning a server. 0, or a negative error
    // whose text errorText gives (the sound server's own description).
    int connect(const char* applicationName);
    void disconnect();
    bool isConnected() const;
    // The text of any result of the audio layer (audio/audio_results.h); never null.
    static const char* errorText(int result);

    pa_threaded_mainloop* mainloop() const { return mainloop_; }
    pa_context* context() const { return context_; }

private:
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
};

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
