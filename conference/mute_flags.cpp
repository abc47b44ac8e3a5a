#include "conference/mute_flags.h"

#include <iterator>

#include "conference/worker_events.h"

void applyMuteCommand(MuteFlags& mutes, uintptr_t wParam, intptr_t lParam)
{
    const uint32_t command = static_cast<uint32_t>(wParam) & 0xFFFFu;
    const uint32_t index = static_cast<uint32_t>(lParam) & 0xFFFFu;
    const uint32_t state = (static_cast<uint32_t>(lParam) >> 16) & 0xFFFFu;
    if (command == CMD_MUTE_MASTER && index < std::size(mutes.master))
        mutes.master[index] = state;
    else if (command == CMD_MUTE_SLOT && index < SLOT_COUNT)
        mutes.slotMute[index] = state;
}
