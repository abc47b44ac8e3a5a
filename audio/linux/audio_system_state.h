#pragma once
// The PulseAudio side of AudioSystem: a threaded main loop and the context connected on it
// (audio/linux/pulse_connection.h has what the devices do with them).
// audio/audio_system.h includes it as "audio_system_state.h": the build puts this folder on the
// include path on Linux, and audio/windows/ with its twin on Windows.

class EventLoop;
struct pa_threaded_mainloop;
struct pa_context;

struct AudioSystemState {
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    // Told with WM_AUDIO_FAULT when the connection breaks.
    EventLoop* window = nullptr;
    // The server is PipeWire's pipewire-pulse: a stream's small latency request shrinks the
    // whole graph's cycle, and audio handed to the graph cannot be taken back (no rewind).
    bool pipeWire = false;
};

// What a stream's state callback needs: the main loop to wake a thread waiting for the stream
// to connect, and the window to tell when the stream fails later (none: nobody is told).
struct StreamWatch {
    pa_threaded_mainloop* mainloop = nullptr;
    EventLoop* window = nullptr;
};
