#include "audio/pulse_stream.h"

#include <pulse/error.h>

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

pa_sample_spec sampleSpecOf(const PcmFormat& format)
{
    pa_sample_spec sampleSpec{};
    sampleSpec.format = format.bitsPerSample == 16 ? PA_SAMPLE_S16LE
                  : format.bitsPerSample == 8 ? PA_SAMPLE_U8
                                              : PA_SAMPLE_INVALID;
    sampleSpec.rate = format.samplesPerSecond;
    sampleSpec.channels = static_cast<uint8_t>(format.channels);
    return sampleSpec;
}

int negativeError(const pa_context* context)
{
    const int error = pa_context_errno(context);
    return error != PA_OK ? -error : -PA_ERR_UNKNOWN;
}

void signalOnStreamChange(pa_stream*, void* mainloop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

int waitUntilReady(pa_threaded_mainloop* mainloop, pa_stream* stream)
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

int prepareStream(const AudioSystem& audio, const PcmFormat& format, pa_sample_spec& sampleSpec)
{
    if (!audio.isConnected())
        return -PA_ERR_BADSTATE;
    sampleSpec = sampleSpecOf(format);
    return pa_sample_spec_valid(&sampleSpec) ? 0 : -PA_ERR_INVALID;
}
