#pragma once
// What the Linux-only audio tests use of the fixture's sound server directly: its sink names
// for pacat and parec, and the mixer's listing of playback streams.

#include <string>

#include "tests/support/child_program.h"
#include "tests/support/sound_server_commands.h"

// Played into, this sink speaks into the virtual microphone (the default source).
constexpr const char* MICROPHONE_FEED = "test_mic_feed";
// What plays on the default output.
constexpr const char* OUTPUT_MONITOR = "test_out.monitor";

// `pactl list sink-inputs`: every playback stream with its properties.
std::string sinkInputListing();
