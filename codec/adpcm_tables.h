#pragma once
// Constant tables of the ADPCM coder: the IMA step sizes and the step-index transitions.
// Built once per process on the worker thread; read-only afterwards.

#include <cstdint>

constexpr int ADPCM_STEP_COUNT = 89;
constexpr int ADPCM_MAX_STEP_INDEX = ADPCM_STEP_COUNT - 1;
constexpr int ADPCM_MAGNITUDES = 8;

extern const int16_t adpcmStepTable[ADPCM_STEP_COUNT];

// nextIndexTable[i][m]: the step index after a code of magnitude m coded at step index i.
extern uint8_t nextIndexTable[ADPCM_STEP_COUNT][ADPCM_MAGNITUDES];

// Fills nextIndexTable on the first call; later calls do nothing.
void buildAdpcmTables();
