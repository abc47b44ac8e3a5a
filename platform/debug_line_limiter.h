#pragma once
// Keeps a flood of one diagnostic line (junk datagrams arrive as fast as a sender likes) from
// flooding the log. Each distinct line has a window of one second that opens with its first
// occurrence: the first LINES_PER_WINDOW occurrences in it are written, the rest only counted,
// and when the window has closed one summary line tells how many were left out. A summary is
// written with the next line of any kind after its window closed.
// Threading: not thread-safe; the debug output serialises its calls.

#include <cstddef>
#include <cstdint>

#include "platform/debug_output.h"

class DebugLineLimiter {
public:
    static constexpr int LINES_PER_WINDOW = 5;
    static constexpr uint64_t WINDOW_MS = 1000;
    static constexpr int KIND_COUNT = 16;
    // Lines as long as this or longer, and lines beyond KIND_COUNT kinds at once, are not limited.
    static constexpr size_t KIND_TEXT_CAPACITY = 96;

    // Writes the summaries that are due at nowMs, then text unless its kind has used its window.
    void submit(const char* text, uint64_t nowMs, DebugSink& sink);

private:
    struct Kind {
        char text[KIND_TEXT_CAPACITY];
        uint64_t windowStartMs;
        uint32_t written;
        uint32_t suppressed;
        bool inUse;
    };

    void flushExpired(uint64_t nowMs, DebugSink& sink);
    Kind* find(const char* text);
    Kind* claim(const char* text, size_t length, uint64_t nowMs);

    Kind kinds_[KIND_COUNT] = {};
};
