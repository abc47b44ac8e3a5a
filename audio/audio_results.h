#pragma once
// Results of the audio layer. Success is 0. A failure the sound system reports is the negative
// of its error code, and AudioSystem::errorText gives the system's own text for it; where the
// layer finds a fault itself that the system has a code for (no connection, a format it
// lacks), it uses that code, so the text reads the same. The layer's own results lie below the
// systems' ranges, so that no text lookup reads one as a system error.

// CaptureDevice::start on a device that is already running: nothing changed.
constexpr int AUDIO_ALREADY_RUNNING = -1000;
