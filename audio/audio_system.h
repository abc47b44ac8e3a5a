#pragma once
// The program's one connection to the sound server (PulseAudio), with its own thread.
// Threading: connect/disconnect on the worker thread; the devices built on it use the lock.

struct pa_threaded_mainloop;
struct pa_context;

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
    static const char* errorText(int result);

    pa_threaded_mainloop* mainloop() const { return mainloop_; }
    pa_context* context() const { return context_; }

private:
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
};
