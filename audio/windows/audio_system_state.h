#pragma once
// The wave-audio side of AudioSystem. Wave devices are opened one by one with no session to
// connect first: connecting only checks that the system has a wave device at all, so that a
// machine without one fails with the system's own text before any device is tried.
// audio/audio_system.h includes it as "audio_system_state.h": the build puts this folder on the
// include path on Windows, and audio/linux/ with its twin on Linux.

struct AudioSystemState {
    bool connected = false;
};
