#include "platform/loop_clock.h"

namespace {

class MonotonicClock final : public LoopClock {
public:
    uint64_t nowMs() const override { return monotonicMilliseconds(); }
};

}

const LoopClock& monotonicClock()
{
    static const MonotonicClock clock{};
    return clock;
}
