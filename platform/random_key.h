#pragma once
// Unpredictable 32-bit values from the system's generator (session keys): getrandom, on Windows
// BCryptGenRandom.

#include <cstdint>

uint32_t randomSessionKey();
