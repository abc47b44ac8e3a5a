#include "platform/debug_output.h"

#include <unistd.h>

#include <cstring>
#include <mutex>

#include "platform/debug_line_limiter.h"
#include "platform/loop_clock.h"

namespace {

DebugSink currentSink = nullptr;
void* currentContext = nullptr;
std::mutex outputMutex;
DebugLineLimiter limiter;

void writeLine(void*, const char* text)
{
    if (currentSink) {
        currentSink(currentContext, text);
        return;
    }
    size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
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
