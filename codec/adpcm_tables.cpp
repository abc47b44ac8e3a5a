#include "codec/adpcm_tables.h"

#include <algorithm>

uint8_t nextIndexTable[ADPCM_STEP_COUNT][ADPCM_MAGNITUDES];

static bool tablesBuilt = false;

void buildAdpcmTables()
{
    if (tablesBuilt)
        return;
    constexpr int indexAdjustment[ADPCM_MAGNITUDES] = {-1, -1, -1, -1, 2, 4, 6, 8};
    for (int index = 0; index < ADPCM_STEP_COUNT; ++index) {
        for (int magnitude = 0; magnitude < ADPCM_MAGNITUDES; ++magnitude) {
            const int next = std::clamp(index + indexAdjustment[magnitude], 0, ADPCM_MAX_STEP_INDEX);
            nextIndexTable[index][magnitude] = static_cast<uint8_t>(next);
        }
    }
    tablesBuilt = true;
}
