#pragma once
// The sizes of the devices' rings, the same on every system.

// The microphone's ring: 32 buffers of 500 samples, 2 seconds.
constexpr int CAPTURE_BUFFER_COUNT = 32;
constexpr int CAPTURE_BUFFER_BYTES = 1000;

// A playback channel's ring: 8 blocks of at most 500 samples, half a second.
constexpr int PLAYBACK_BLOCK_COUNT = 8;
constexpr int PLAYBACK_BLOCK_BYTES = 1000;
