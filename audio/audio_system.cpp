#include "audio/audio_system.h"

#include "audio/pulse_stream.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/thread-mainloop.h>

// The connection runs on PulseAudio's own thread (pa_threaded_mainloop). Every call into
// the context or its streams from another thread holds the main-loop lock; callbacks run on
// that thread with the lock already held.

static void signalOnContextChange(pa_context*, void* mainloop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

AudioSystem::~AudioSystem()
{
    disconnect();
}

int AudioSystem::connect(const char* applicationName)
{
    disconnect();
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ == nullptr) {
        return -PA_ERR_INTERNAL;
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), applicationName);
    if (context_ == nullptr) {
        disconnect();
        return -PA_ERR_INTERNAL;
    }
    pa_context_set_state_callback(context_, signalOnContextChange, mainloop_);

    int error = PA_OK;
    pa_threaded_mainloop_lock(mainloop_);
    if (pa_threaded_mainloop_start(mainloop_) < 0) {
        error = PA_ERR_INTERNAL;
    } else if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = -negativeError(context_);
    } else {
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY) {
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) {
                error = -negativeError(context_);
                break;
            }
            pa_threaded_mainloop_wait(mainloop_);
        }
    }
    pa_threaded_mainloop_unlock(mainloop_);
    if (error != PA_OK) {
        disconnect();
        return -error;
    }
    return 0;
}

void AudioSystem::disconnect()
{
    if (mainloop_ == nullptr) {
        return;
    }
    if (context_ != nullptr) {
        pa_threaded_mainloop_lock(mainloop_);
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
        pa_threaded_mainloop_unlock(mainloop_);
    }
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
    mainloop_ = nullptr;
}

bool AudioSystem::isConnected() const
{
    if (context_ == nullptr) {
        return false;
    }
    MainloopLock lock(mainloop_);
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

const char* AudioSystem::errorText(int result)
{
    return pa_strerror(result < 0 ? -result : result);
}
