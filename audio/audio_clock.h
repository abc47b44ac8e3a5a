#pragma once
// The clock the audio devices time their blocks on: microseconds that never jump.

#include <chrono>
#include <cstdint>

inline int64_t monotonicUsec()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
