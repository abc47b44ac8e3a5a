#pragma once
// Quantiser of the ADPCM encoder: the code magnitude for a difference d between input and
// predictor, m = min(7, 4|d| / step) with integer division. Since m >= k exactly when
// 4|d| >= k * step, that is |d| >= ceil(k * step / 4), m is the number of such thresholds
// (k = 1..7) that |d| reaches: independent comparisons instead of a slow division.

#include <cstdint>

#include "codec/adpcm_tables.h"

struct QuantiserThresholds {
    // [i][k - 1] = ceil(k * step[i] / 4); the eighth entry is unused, it makes a row 32 bytes.
    uint32_t atLeast[ADPCM_STEP_COUNT][8];
};

inline constexpr QuantiserThresholds quantiserThresholds = [] {
    QuantiserThresholds table{};
    for (int index = 0; index < ADPCM_STEP_COUNT; ++index)
        for (uint32_t k = 1; k <= 7; ++k)
            table.atLeast[index][k - 1] = (k * static_cast<uint32_t>(adpcmStepTable[index]) + 3) / 4;
    return table;
}();

// magnitude is |d|, which exceeds 16 bits when the input gain is above 0 dB.
inline uint32_t quantiseMagnitude(uint32_t magnitude, int stepIndex)
{
    const uint32_t* threshold = quantiserThresholds.atLeast[stepIndex];
    return static_cast<uint32_t>(magnitude >= threshold[0]) + static_cast<uint32_t>(magnitude >= threshold[1]) +
           static_cast<uint32_t>(magnitude >= threshold[2]) + static_cast<uint32_t>(magnitude >= threshold[3]) +
           static_cast<uint32_t>(magnitude >= threshold[4]) + static_cast<uint32_t>(magnitude >= threshold[5]) +
           static_cast<uint32_t>(magnitude >= threshold[6]);
}
