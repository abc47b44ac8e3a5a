#pragma once
// Results of the audio layer. Success is 0. A failure the sound server reports is the negative
// of its error code, -1 down to -(PA_ERR_MAX - 1), and AudioSystem::errorText gives the server's
// own text for it; where the layer finds a fault itself that the server has a code for (no
// connection, a format it lacks), it uses that code, so the text reads the same. The layer's
// own results lie below the server's range, so that no text lookup reads one as a server error.

// CaptureDevice::start on a device that is already running: nothing changed.
constexpr int AUDIO_ALREADY_RUNNING = -1000;
