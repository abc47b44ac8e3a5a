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
