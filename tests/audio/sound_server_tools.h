#pragma once
// Test-side helpers around the private sound server of the "pulse" test fixture: its two
// sinks, the mixer's listing of playback streams, and an event loop run while waiting.

#include <functional>
#include <string>

#include "platform/event_loop.h"
#include "tests/support/child_program.h"
#include "tests/support/pcm_signal.h"
#include "tests/support/sound_server_commands.h"

// Played into, this sink speaks into the virtual microphone (the default source).
constexpr const char* MICROPHONE_FEED = "test_mic_feed";
// What plays on the default output.
constexpr const char* OUTPUT_MONITOR = "test_out.monitor";

// `pactl list sink-inputs`: every playback stream with its properties.
std::string sinkInputListing();

// Dispatches events until done() holds or timeoutMs passes; true when done() held.
bool runUntil(EventLoop& loop, const std::function<bool()>& done, int timeoutMs);

// Sleeps for milliseconds.
void pause(int milliseconds);
