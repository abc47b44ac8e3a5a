#include "platform/random_key.h"

#include <windows.h>

#include <bcrypt.h>

uint32_t randomSessionKey()
{
    uint32_t key = 0;
    if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&key), sizeof key, BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0)
        return key;
    // Without the system's generator, fall back to the clock rather than a constant.
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<uint32_t>(counter.QuadPart);
}
