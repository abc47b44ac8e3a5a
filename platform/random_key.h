#pragma once
// Unpredictable 32-bit values from the kernel (session keys).

#include <cstdint>

uint32_t randomSessionKey();
