// dual-record SOURCE_A FILE_A SOURCE_B FILE_B: records two sources (8000 Hz mono s16le raw)
// until SIGINT or SIGTERM, with both streams started by one request to the sound server, so
// that the recordings begin within one render block of each other. Two recorder processes
// started together begin as far apart as their start-ups take (tens of milliseconds on a
// loaded machine), which a delay measured between their recordings would include.

#include <pulse/pulseaudio.h>
#include <signal.h>

#include <cstdio>

#include "platform/linux/command_line.h"

namespace {

struct Recording {
    pa_stream* stream = nullptr;
    FILE* file = nullptr;
};

pa_threaded_mainloop* mainloop = nullptr;

void onReadable(pa_stream* stream, size_t, void* userdata)
{
    auto* recording = static_cast<Recording*>(userdata);
    const void* data = nullptr;
    size_t length = 0;
    while (pa_stream_peek(stream, &data, &length) == 0 && length > 0) {
        if (data != nullptr)
            std::fwrite(data, 1, length, recording->file);
        pa_stream_drop(stream);
    }
}

void signalMainloop(pa_stream*, void*)
{
    pa_threaded_mainloop_signal(mainloop, 0);
}

void signalOnContext(pa_context*, void*)
{
    pa_threaded_mainloop_signal(mainloop, 0);
}

bool waitUntil(pa_context* context, Recording* recordings)
{
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context);
        if (!PA_CONTEXT_IS_GOOD(state))
            return false;
        bool ready = state == PA_CONTEXT_READY;
        for (int i = 0; ready && recordings != nullptr && i < 2; ++i) {
            const pa_stream_state_t streamState = pa_stream_get_state(recordings[i].stream);
            if (!PA_STREAM_IS_GOOD(streamState))
                return false;
            ready = streamState == PA_STREAM_READY;
        }
        if (ready)
            return true;
        pa_threaded_mainloop_wait(mainloop);
    }
}

}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: dual-record SOURCE_A FILE_A SOURCE_B FILE_B\n");
        return 2;
    }
    sigset_t stopSignals = blockStopSignals();
    Recording recordings[2];
    for (int i = 0; i < 2; ++i) {
        recordings[i].file = std::fopen(argv[2 + 2 * i], "wb");
        if (recordings[i].file == nullptr) {
            std::fprintf(stderr, "dual-record: cannot write %s\n", argv[2 + 2 * i]);
            return 1;
        }
    }
    mainloop = pa_threaded_mainloop_new();
    pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "dual-record");
    pa_context_set_state_callback(context, signalOnContext, nullptr);
    pa_threaded_mainloop_lock(mainloop);
    pa_threaded_mainloop_start(mainloop);
    bool good =
        pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0 && waitUntil(context, nullptr);
    const pa_sample_spec voiceFormat{PA_SAMPLE_S16LE, 8000, 1};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.fragsize = 160;
    for (int i = 0; good && i < 2; ++i) {
        recordings[i].stream = pa_stream_new(context, "dual-record", &voiceFormat, nullptr);
        pa_stream_set_state_callback(recordings[i].stream, signalMainloop, nullptr);
        pa_stream_set_read_callback(recordings[i].stream, onReadable, &recordings[i]);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
        good = pa_stream_connect_record(recordings[i].stream, argv[1 + 2 * i], &attributes, flags) == 0;
    }
    good = good && waitUntil(context, recordings);
    if (good) {
        for (Recording& recording : recordings)
            pa_operation_unref(pa_stream_cork(recording.stream, 0, nullptr, nullptr));
    }
    pa_threaded_mainloop_unlock(mainloop);
    if (!good) {
        std::fprintf(stderr, "dual-record: %s\n", pa_strerror(pa_context_errno(context)));
    } else {
        int signal = 0;
        sigwait(&stopSignals, &signal);
    }
    pa_threaded_mainloop_lock(mainloop);
    for (Recording& recording : recordings) {
        if (recording.stream != nullptr) {
            pa_stream_set_read_callback(recording.stream, nullptr, nullptr);
            pa_stream_set_state_callback(recording.stream, nullptr, nullptr);
            pa_stream_disconnect(recording.stream);
            pa_stream_unref(recording.stream);
        }
        std::fclose(recording.file);
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_threaded_mainloop_unlock(mainloop);
    pa_threaded_mainloop_stop(mainloop);
    pa_threaded_mainloop_free(mainloop);
    return good ? 0 : 1;
}
