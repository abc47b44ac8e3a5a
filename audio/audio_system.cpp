#include "audio/audio_system.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/sample.h>
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

    int result = 0;
    {
        MainloopLock lock(mainloop_);
        if (pa_threaded_mainloop_start(mainloop_) < 0) {
            result = -PA_ERR_INTERNAL;
        } else if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            result = negativeError(context_);
        } else {
            for (;;) {
                const pa_context_state_t state = pa_context_get_state(context_);
                if (state == PA_CONTEXT_READY) {
                    break;
                }
                if (!PA_CONTEXT_IS_GOOD(state)) {
                    result = negativeError(context_);
                    break;
                }
                pa_threaded_mainloop_wait(mainloop_);
            }
        }
    }
    if (result != 0) {
        disconnect();
    }
    return result;
}

void AudioSystem::disconnect()
{
    if (mainloop_ == nullptr) {
        return;
    }
    if (context_ != nullptr) {
        MainloopLock lock(mainloop_);
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
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
    if (result == AUDIO_ALREADY_RUNNING) {
        return "Device already running";
    }
    // The server's table has no text for a code outside its range.
    const char* text = pa_strerror(result);
    return text != nullptr ? text : "Unknown error code";
}

MainloopLock::MainloopLock(pa_threaded_mainloop* mainloop) : mainloop_(mainloop)
{
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_lock(mainloop_);
    }
}

MainloopLock::~MainloopLock()
{
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_unlock(mainloop_);
    }
}

// The server's sample format for format; invalid (pa_sample_spec_valid false) when it has none.
static pa_sample_spec sampleSpecOf(const PcmFormat& format)
{
    pa_sample_spec sampleSpec{};
    sampleSpec.format = format.bitsPerSample == 16  ? PA_SAMPLE_S16LE
                        : format.bitsPerSample == 8 ? PA_SAMPLE_U8
                                                    : PA_SAMPLE_INVALID;
    sampleSpec.rate = format.samplesPerSecond;
    sampleSpec.channels = static_cast<uint8_t>(format.channels);
    return sampleSpec;
}

int prepareStream(const AudioSystem& audio, const PcmFormat& format, pa_sample_spec& sampleSpec)
{
    if (!audio.isConnected())
        return -PA_ERR_BADSTATE;
    sampleSpec = sampleSpecOf(format);
    return pa_sample_spec_valid(&sampleSpec) ? 0 : -PA_ERR_INVALID;
}

int negativeError(const pa_context* context)
{
    const int error = pa_context_errno(context);
    return error != PA_OK ? -error : -PA_ERR_UNKNOWN;
}
