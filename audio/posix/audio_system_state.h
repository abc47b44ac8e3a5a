#pragma once
// The PulseAudio side of AudioSystem: a threaded main loop and the context connected on it
// (audio/posix/pulse_connection.h has what the devices do with them).

struct pa_threaded_mainloop;
struct pa_context;

struct AudioSystemState {
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
};
