#pragma once
// Playing a received voice frame on its slot's channel, with the receive mutes and the meter,
// and showing who speaks there.

#include "audio/playback_channel.h"
#include "codec/voice_frame.h"
#include "conference/mute_flags.h"
#include "platform/main_window_view.h"

// Decodes frame (refusing a step index above 88), writes it to channels[slot] unless
// everything received or that slot is muted, and sets the slot's meter to the frame's level.
// A refused frame is dropped whole: nothing is written and the meter keeps its value.
// True when the decoded block was handed to the channel.
bool playReceivedFrame(const VoiceFrame& frame, int slot, PlaybackChannel* channels, const MuteFlags& mutes,
                       const MainWindowView& view);

// Every slot's meter to 0 and its label emptied, as a new connection or server start begins.
void clearSlotRows(const MainWindowView& view);

// Shows the 16-byte nickname field in the slot's label and gives the slot's channel the same
// name: the mixer shows who speaks there, and what it remembers of a person (volume, mute)
// follows the name; an empty entry gives the channel back the slot's own name.
void showSlotNickname(int slot, const uint8_t* nickname, PlaybackChannel* channels, const MainWindowView& view);
