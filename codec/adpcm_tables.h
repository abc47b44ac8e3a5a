#pragma once
// Constant tables of the ADPCM coder: the IMA step sizes and the step-index transitions,
// both computed at compile time, so any thread may read them at any time.

#include <algorithm>
#include <cstdint>

constexpr int ADPCM_STEP_COUNT = 89;
constexpr int ADPCM_MAX_STEP_INDEX = ADPCM_STEP_COUNT - 1;
constexpr int ADPCM_MAGNITUDES = 8;

// The IMA ADPCM step sizes.
inline constexpr int16_t adpcmStepTable[ADPCM_STEP_COUNT] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767,
};

struct NextIndexRows {
    uint8_t next[ADPCM_STEP_COUNT][ADPCM_MAGNITUDES];
};

inline constexpr NextIndexRows nextIndexRows = [] {
    constexpr int adjustment[ADPCM_MAGNITUDES] = {-1, -1, -1, -1, 2, 4, 6, 8};
    NextIndexRows table{};
    for (int index = 0; index < ADPCM_STEP_COUNT; ++index) {
        for (int magnitude = 0; magnitude < ADPCM_MAGNITUDES; ++magnitude) {
            const int next = std::clamp(index + adjustment[magnitude], 0, ADPCM_MAX_STEP_INDEX);
            table.next[index][magnitude] = static_cast<uint8_t>(next);
        }
    }
    return table;
}();

// nextIndexTable[i][m]: the step index after a code of magnitude m coded at step index i,
// i + adjustment(m) clamped to 0..88. A plain array, so the coders index it as cheaply as
// the step table.
inline constexpr const auto& nextIndexTable = nextIndexRows.next;
