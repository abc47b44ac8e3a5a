#include "audio/audio_system.h"

#include <pulse/context.h>
#include <pulse/introspect.h>

#include <cstring>
#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/sample.h>
#include <pulse/thread-mainloop.h>

#include "audio/audio_fault.h"
#include "platform/event_loop.h"
#include "pulse_connection.h"

// The connection runs on PulseAudio's own thread (pa_threaded_mainloop). Every call into
// the context or its streams from another thread holds the main-loop lock; callbacks run on
// that thread with the lock already held.

// A server that takes the connection but never answers must not hold the worker for good.
constexpr pa_usec_t CONNECT_TIMEOUT_USEC = 3000000;

// Wakes connect(); once the connection is up, tells the window when it breaks.
static void watchContextState(pa_context* context, void* userdata)
{
    const auto& state = *static_cast<const AudioSystemState*>(userdata);
    pa_threaded_mainloop_signal(state.mainloop, 0);
    if (state.window != nullptr && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        state.window->post(WM_AUDIO_FAULT, 0, 0);
    }
}

struct ConnectWait {
    pa_threaded_mainloop* mainloop;
    bool timedOut;
};

static void signalTimeout(pa_mainloop_api*, pa_time_event*, const timeval*, void* userdata)
{
    auto& wait = *static_cast<ConnectWait*>(userdata);
    wait.timedOut = true;
    pa_threaded_mainloop_signal(wait.mainloop, 0);
}

// Waits until the context is ready (0) or has failed or timed out (a negative error). Lock held.
static int waitUntilConnected(pa_threaded_mainloop* mainloop, pa_context* context)
{
    ConnectWait wait{mainloop, false};
    pa_time_event* deadline =
        pa_context_rttime_new(context, pa_rtclock_now() + CONNECT_TIMEOUT_USEC, signalTimeout, &wait);
    int result = 0;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            break;
        }
        if (!PA_CONTEXT_IS_GOOD(state)) {
            result = negativeError(context);
            break;
        }
        if (wait.timedOut) {
            result = -PA_ERR_TIMEOUT;
            break;
        }
        pa_threaded_mainloop_wait(mainloop);
    }
    if (deadline != nullptr) {
        pa_threaded_mainloop_get_api(mainloop)->time_free(deadline);
    }
    return result;
}

AudioSystem::~AudioSystem()
{
    disconnect();
}

struct ServerInfoRequest {
    pa_threaded_mainloop* mainloop;
    ServerFacts facts;
};

static void takeServerInfo(pa_context*, const pa_server_info* info, void* userdata)
{
    auto& request = *static_cast<ServerInfoRequest*>(userdata);
    if (info != nullptr) {
        // pipewire-pulse names itself "PulseAudio (on PipeWire 0.3.65)".
        request.facts.pipeWire = info->server_name != nullptr && std::strstr(info->server_name, "PipeWire");
        if (info->default_sink_name != nullptr && std::strlen(info->default_sink_name) < sizeof request.facts.defaultSink)
            std::strcpy(request.facts.defaultSink, info->default_sink_name);
    }
    pa_threaded_mainloop_signal(request.mainloop, 0);
}

ServerFacts askServer(pa_threaded_mainloop* mainloop, pa_context* context)
{
    ServerInfoRequest request{mainloop, {}};
    pa_operation* operation = pa_context_get_server_info(context, takeServerInfo, &request);
    if (operation == nullptr) {
        return request.facts;
    }
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING &&
           pa_context_get_state(context) == PA_CONTEXT_READY) {
        pa_threaded_mainloop_wait(mainloop);
    }
    pa_operation_unref(operation);
    return request.facts;
}

int AudioSystem::connect(const char* applicationName, EventLoop* window)
{
    disconnect();
    state_.mainloop = pa_threaded_mainloop_new();
    if (state_.mainloop == nullptr) {
        return -PA_ERR_INTERNAL;
    }
    state_.context = pa_context_new(pa_threaded_mainloop_get_api(state_.mainloop), applicationName);
    if (state_.context == nullptr) {
        disconnect();
        return -PA_ERR_INTERNAL;
    }
    // Nobody is told of a fault until the connection is up: connect() reports its own failure.
    state_.window = nullptr;
    pa_context_set_state_callback(state_.context, watchContextState, &state_);

    int result = 0;
    {
        MainloopLock lock(state_.mainloop);
        if (pa_threaded_mainloop_start(state_.mainloop) < 0) {
            result = -PA_ERR_INTERNAL;
        } else if (pa_context_connect(state_.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            result = negativeError(state_.context);
        } else if ((result = waitUntilConnected(state_.mainloop, state_.context)) == 0) {
            state_.pipeWire = askServer(state_.mainloop, state_.context).pipeWire;
            state_.window = window;
        }
    }
    if (result != 0) {
        disconnect();
    }
    return result;
}

void AudioSystem::disconnect()
{
    if (state_.mainloop == nullptr) {
        return;
    }
    if (state_.context != nullptr) {
        MainloopLock lock(state_.mainloop);
        pa_context_set_state_callback(state_.context, nullptr, nullptr);
        pa_context_disconnect(state_.context);
        pa_context_unref(state_.context);
        state_.context = nullptr;
    }
    pa_threaded_mainloop_stop(state_.mainloop);
    pa_threaded_mainloop_free(state_.mainloop);
    state_.mainloop = nullptr;
}

bool AudioSystem::isConnected() const
{
    if (state_.context == nullptr) {
        return false;
    }
    MainloopLock lock(state_.mainloop);
    return pa_context_get_state(state_.context) == PA_CONTEXT_READY;
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
