#include "platform/loop_clock.h"

#include <time.h>

uint64_t monotonicMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

namespace {
uint64_t readMonotonic(void*)
{
    return monotonicMilliseconds();
}

uint64_t readManual(void* context)
{
    return static_cast<const ManualClock*>(context)->now();
}
}

LoopClock monotonicClock()
{
    return LoopClock{readMonotonic, nullptr};
}

LoopClock ManualClock::clock()
{
    return LoopClock{readManual, this};
}
