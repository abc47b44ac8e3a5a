#include "pulse_stream.h"

#include "audio/audio_fault.h"
#include "platform/event_loop.h"

void watchStreamState(pa_stream* stream, void* userdata)
{
    const auto& watch = *static_cast<const StreamWatch*>(userdata);
    pa_threaded_mainloop_signal(watch.mainloop, 0);
    if (watch.window != nullptr && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        watch.window->post(WM_AUDIO_FAULT, 0, 0);
    }
}

// Waits until a connecting stream is ready (0) or has failed (a negative error).
static int waitUntilReady(pa_threaded_mainloop* mainloop, pa_stream* stream)
{
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) {
            return 0;
        }
        if (!PA_STREAM_IS_GOOD(state)) {
            return negativeError(pa_stream_get_context(stream));
        }
        pa_threaded_mainloop_wait(mainloop);
    }
}

int finishConnecting(pa_threaded_mainloop* mainloop, pa_stream* stream, int connectResult)
{
    const int result =
        connectResult < 0 ? negativeError(pa_stream_get_context(stream)) : waitUntilReady(mainloop, stream);
    if (result != 0) {
        releaseStream(stream);
    }
    return result;
}

int startWithoutWaiting(pa_operation* operation, const pa_context* context)
{
    if (operation == nullptr) {
        return negativeError(context);
    }
    pa_operation_unref(operation);
    return 0;
}

void releaseStream(pa_stream* stream)
{
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void closeStream(pa_threaded_mainloop*& mainloop, pa_stream*& stream)
{
    if (stream == nullptr)
        return;
    {
        MainloopLock lock(mainloop);
        releaseStream(stream);
        stream = nullptr;
    }
    mainloop = nullptr;
}
