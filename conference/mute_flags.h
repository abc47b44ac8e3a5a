#pragma once
// The worker's mute flags, set by the mute commands and read on the voice paths.
// Threading: worker thread only.

#include <cstdint>

#include "net/wire_protocol.h"

constexpr int RECEIVE_MUTE_ENTRY = 0;
constexpr int SEND_MUTE_ENTRY = 1;

struct MuteFlags {
    uint32_t master[2] = {};  // [RECEIVE_MUTE_ENTRY] everything received, [SEND_MUTE_ENTRY] own voice
    uint32_t slotMute[SLOT_COUNT] = {};

    uint32_t receiveMute() const { return master[RECEIVE_MUTE_ENTRY]; }
    uint32_t sendMute() const { return master[SEND_MUTE_ENTRY]; }
};

// Stores what a mute command of the window says: CMD_MUTE_MASTER or CMD_MUTE_SLOT in the low
// half of wParam, the entry or slot in the low half of lParam and the new state in its high half.
// An index out of range is ignored rather than written past the flags.
void applyMuteCommand(MuteFlags& mutes, uintptr_t wParam, intptr_t lParam);
