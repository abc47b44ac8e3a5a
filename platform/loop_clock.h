#pragma once
// Millisecond clocks: the monotonic one the event loop runs on, and a hand-driven one for tests.

#include <cstdint>

class LoopClock {
public:
    virtual uint64_t nowMs() const = 0;

protected:
    ~LoopClock() = default;
};

// Milliseconds of a clock that never jumps (CLOCK_MONOTONIC; GetTickCount64 on Windows).
uint64_t monotonicMilliseconds();
const LoopClock& monotonicClock();

// A clock that moves only when told to. Not thread-safe: use it on the loop's thread.
class ManualClock final : public LoopClock {
public:
    explicit ManualClock(uint64_t startMs = 0) : nowMs_(startMs) {}
    void advance(uint64_t ms) { nowMs_ += ms; }
    uint64_t nowMs() const override { return nowMs_; }

private:
    uint64_t nowMs_;
};
