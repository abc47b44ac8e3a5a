#pragma once
// Test-side helpers around the private sound server of the "pulse" test fixture: a recording
// of what plays on the default output (the sink test_out), a feed into the virtual microphone
// (the monitor of test_mic_feed), and an event loop run while waiting. Each system reaches the
// server its own way: tests/audio/linux through pacat and parec, tests/audio/windows through the
// wave devices Wine lists for the two sinks.

#include <functional>
#include <memory>

#include "platform/event_loop.h"
#include "tests/support/pcm_signal.h"

// Records what plays on the default output, from start() until stop().
class OutputRecorder {
public:
    OutputRecorder();
    ~OutputRecorder();
    OutputRecorder(const OutputRecorder&) = delete;
    OutputRecorder& operator=(const OutputRecorder&) = delete;

    bool start();
    // The samples recorded; recording ends.
    Samples stop();

private:
    struct System;
    std::unique_ptr<System> system_;
};

// Plays samples into the virtual microphone, paced in real time.
class MicrophoneFeed {
public:
    MicrophoneFeed();
    ~MicrophoneFeed();
    MicrophoneFeed(const MicrophoneFeed&) = delete;
    MicrophoneFeed& operator=(const MicrophoneFeed&) = delete;

    bool start(const Samples& samples);
    bool isPlaying();

private:
    struct System;
    std::unique_ptr<System> system_;
};

// Dispatches events until done() holds or timeoutMs passes; true when done() held.
bool runUntil(EventLoop& loop, const std::function<bool()>& done, int timeoutMs);

// Sleeps for milliseconds.
void pause(int milliseconds);
