#pragma once
// Quantiser of the ADPCM encoder: the code magnitude for a difference between input and
// predictor, m = min(7, 4|d| / step) with integer division.

#include <algorithm>
#include <cstdint>

#include "codec/adpcm_tables.h"

// magnitude is |d|, which exceeds 16 bits when the input gain is above 0 dB.
inline uint32_t quantiseMagnitude(uint32_t magnitude, int stepIndex)
{
    // Beyond 65535, 4|d| / step exceeds 7 at every step size; capping keeps 4|d| in 32 bits.
    const uint32_t capped = std::min<uint32_t>(magnitude, 0xFFFF);
    return std::min<uint32_t>(4 * capped / static_cast<uint32_t>(adpcmStepTable[stepIndex]), 7);
}
