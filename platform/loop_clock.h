#pragma once
// Millisecond clocks: the monotonic one the event loop runs on, and a hand-driven one for tests.

#include <cstdint>

struct LoopClock {
    uint64_t (*nowMs)(void* context) = nullptr;
    void* context = nullptr;
};

// Milliseconds of a clock that never jumps (CLOCK_MONOTONIC; GetTickCount64 on Windows).
uint64_t monotonicMilliseconds();
LoopClock monotonicClock();

// A clock that moves only when told to. Not thread-safe: use it on the loop's thread.
class ManualClock {
public:
    explicit ManualClock(uint64_t startMs = 0) : nowMs_(startMs) {}
    void advance(uint64_t ms) { nowMs_ += ms; }
    uint64_t now() const { return nowMs_; }
    LoopClock clock();

private:
    uint64_t nowMs_;
};
