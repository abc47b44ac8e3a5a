#include "platform/random_key.h"

#include <sys/random.h>

#include <chrono>

uint32_t randomSessionKey()
{
    uint32_t key = 0;
    if (getrandom(&key, sizeof key, 0) == static_cast<ssize_t>(sizeof key))
        return key;
    // Without the kernel's generator, fall back to the clock rather than a constant.
    return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}
