#pragma once
// What the capture and playback devices share about PulseAudio streams, built on the
// connection (pulse_connection.h), which owns the lock and the checks before a stream is
// created. Every function here expects the main-loop lock to be held (MainloopLock).

#include <pulse/context.h>
#include <pulse/sample.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include "pulse_connection.h"

// State callback of every stream; userdata is the device's StreamWatch. Wakes finishConnecting,
// and tells the watch's window when the stream fails or is killed.
void watchStreamState(pa_stream* stream, void* watch);

// Finishes opening a stream whose connect call returned connectResult: waits until it is
// ready (0), or releases it and returns the negative error of the connect or of the stream.
int finishConnecting(pa_threaded_mainloop* mainloop, pa_stream* stream, int connectResult);

// Drops an operation's handle without waiting for it: 0, or the error of the failed request.
int startWithoutWaiting(pa_operation* operation, const pa_context* context);

// Clears every callback first, so none can run on a half torn-down device, then
// disconnects and releases the stream.
void releaseStream(pa_stream* stream);

// Takes the lock itself: releases stream (if any) and forgets it and its main loop.
void closeStream(pa_threaded_mainloop*& mainloop, pa_stream*& stream);
