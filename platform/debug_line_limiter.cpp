#include "platform/debug_line_limiter.h"

#include <cstdio>
#include <cstring>

void DebugLineLimiter::submit(const char* text, uint64_t nowMs, DebugSink& sink)
{
    flushExpired(nowMs, sink);
    const size_t length = strnlen(text, KIND_TEXT_CAPACITY);
    Kind* kind = length < KIND_TEXT_CAPACITY ? find(text) : nullptr;
    if (kind == nullptr && length < KIND_TEXT_CAPACITY) {
        kind = claim(text, length, nowMs);
    }
    if (kind != nullptr && kind->written >= LINES_PER_WINDOW) {
        ++kind->suppressed;
        return;
    }
    if (kind != nullptr) {
        ++kind->written;
    }
    sink.writeLine(text);
}

void DebugLineLimiter::flushExpired(uint64_t nowMs, DebugSink& sink)
{
    for (Kind& kind : kinds_) {
        if (!kind.inUse || nowMs - kind.windowStartMs < WINDOW_MS) {
            continue;
        }
        if (kind.suppressed > 0) {
            const size_t length = std::strlen(kind.text);
            const int lineLength = static_cast<int>(length > 0 && kind.text[length - 1] == '\n' ? length - 1 : length);
            char summary[KIND_TEXT_CAPACITY + 48];
            std::snprintf(summary, sizeof summary, "%.*s (%u more not shown)\n", lineLength, kind.text,
                          kind.suppressed);
            sink.writeLine(summary);
        }
        kind.inUse = false;
    }
}

DebugLineLimiter::Kind* DebugLineLimiter::find(const char* text)
{
    for (Kind& kind : kinds_) {
        if (kind.inUse && std::strcmp(kind.text, text) == 0) {
            return &kind;
        }
    }
    return nullptr;
}

DebugLineLimiter::Kind* DebugLineLimiter::claim(const char* text, size_t length, uint64_t nowMs)
{
    for (Kind& kind : kinds_) {
        if (!kind.inUse) {
            std::memcpy(kind.text, text, length + 1);
            kind.windowStartMs = nowMs;
            kind.written = 0;
            kind.suppressed = 0;
            kind.inUse = true;
            return &kind;
        }
    }
    return nullptr;
}
