#include "platform/debug_output.h"

#include <unistd.h>

#include <cstring>

namespace {
DebugSink currentSink = nullptr;
void* currentContext = nullptr;
}

void debugOutput(const char* text)
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

void setDebugSink(DebugSink sink, void* context)
{
    currentSink = sink;
    currentContext = context;
}
