#include "platform/debug_output.h"

#include <mutex>

#include "platform/debug_line_limiter.h"
#include "platform/loop_clock.h"
#include "platform/system_debug_output.h"

namespace {

DebugSink currentSink = nullptr;
void* currentContext = nullptr;
std::mutex outputMutex;
DebugLineLimiter limiter;

void writeLine(void*, const char* text)
{
    if (currentSink)
        currentSink(currentContext, text);
    else
        writeSystemDebugLine(text);
}

}

void debugOutput(const char* text)
{
    std::lock_guard<std::mutex> lock(outputMutex);
    limiter.submit(text, monotonicMilliseconds(), writeLine, nullptr);
}

void setDebugSink(DebugSink sink, void* context)
{
    std::lock_guard<std::mutex> lock(outputMutex);
    currentSink = sink;
    currentContext = context;
    limiter = DebugLineLimiter();
}
