#pragma once
// What the capture and playback devices share about PulseAudio streams. Every function
// here expects the main-loop lock to be held (MainloopLock).

#include <pulse/context.h>
#include <pulse/sample.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include "audio/audio_system.h"
#include "audio/pcm_format.h"

// Holds a main loop's lock for its lifetime; no-op without a main loop.
class MainloopLock {
public:
    explicit MainloopLock(pa_threaded_mainloop* mainloop);
    ~MainloopLock();
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

private:
    pa_threaded_mainloop* mainloop_;
};

// The PulseAudio sample format of `format`; invalid (pa_sample_spec_valid false) when PulseAudio
// has no such format.
pa_sample_spec sampleSpecOf(const PcmFormat& format);

// What every device checks before it opens a stream: 0 with sampleSpec filled, or the
// negative error of a missing connection or a format PulseAudio lacks. Needs no lock.
int prepareStream(const AudioSystem& audio, const PcmFormat& format, pa_sample_spec& sampleSpec);

// The context's error code as a negative result; never 0 for a call that failed.
int negativeError(const pa_context* context);

// State callback that wakes waitUntilReady; userdata is the main loop.
void signalOnStreamChange(pa_stream* stream, void* mainloop);

// Waits until a connecting stream is ready (0) or has failed (a negative error).
int waitUntilReady(pa_threaded_mainloop* mainloop, pa_stream* stream);

// Drops an operation's handle without waiting for it: 0, or the error of the failed request.
int startWithoutWaiting(pa_operation* operation, const pa_context* context);

// Clears every callback first, so none can run on a half torn-down device, then
// disconnects and releases the stream.
void releaseStream(pa_stream* stream);

// Takes the lock itself: releases stream (if any) and forgets it and its main loop.
void closeStream(pa_threaded_mainloop*& mainloop, pa_stream*& stream);
