#pragma once
// A wave-audio device that a test can unplug and plug in again. Linked into the test program
// in place of the system's wave functions (fake_wave_device.cpp), it stands for one output
// and one input that the default-device handles (WAVE_MAPPER) open. Output plays at once;
// input hands back its buffers only when the test records. Unplugging turns every handle
// opened before into a dead one, whose calls fail with MMSYSERR_NODRIVER, and hands the
// input's queued buffers back empty, as a driver completes its pending requests when its
// device is removed; while unplugged, no device can be opened.
// Threading: the test's thread only (the callback runs on it too).

#include <cstdint>

namespace fake_wave {

// Back to one plugged-in device with nothing open.
void reset();
void unplug();
void plugIn();
// Fills every buffer queued on the live, started input and hands it back; the count.
int record();
// Bytes written to the live outputs, and how many of them are open.
uint32_t bytesPlayed();
int openOutputs();
bool inputStarted();

}  // namespace fake_wave
