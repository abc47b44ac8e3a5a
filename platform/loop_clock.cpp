#include "platform/loop_clock.h"

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
