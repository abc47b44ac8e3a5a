#include "platform/debug_output.h"

#include <mutex>

#include "platform/debug_line_limiter.h"
#include "platform/loop_clock.h"
#include "platform/system_debug_output.h"

namespace {

class SystemDebugSink final : public DebugSink {
public:
    void writeLine(const char* text) override { writeSystemDebugLine(text); }
};

SystemDebugSink systemSink;
DebugSink* currentSink = &systemSink;
std::mutex outputMutex;
DebugLineLimiter limiter;

}

void debugOutput(const char* text)
{
    std::lock_guard<std::mutex> lock(outputMutex);
    limiter.submit(text, monotonicMilliseconds(), *currentSink);
}

void setDebugSink(DebugSink* sink)
{
    std::lock_guard<std::mutex> lock(outputMutex);
    currentSink = sink != nullptr ? sink : &systemSink;
    limiter = DebugLineLimiter();
}
