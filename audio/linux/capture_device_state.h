#pragma once
// The PulseAudio side of CaptureDevice: a record stream whose bytes the sound server's thread
// gathers into the ring (audio/linux/capture_device.cpp), and a second one of the loudspeaker's
// monitor beside it (echo_reference.h).
// audio/capture_device.h includes it as "capture_device_state.h": the build puts this folder on the
// include path on Linux, and audio/windows/ with its twin on Windows.

#include <cstdint>

#include "audio/ring_sizes.h"
#include "audio_system_state.h"
#include "echo_reference.h"

// What the device posts to its window for each buffer it hands back.
constexpr uint32_t MM_WIM_DATA = 0x3C0;

class AudioSystem;
class EventLoop;
struct pa_stream;
struct pa_threaded_mainloop;

struct CaptureDeviceState {
    // Waiting: full, held back until its echo reference has come.
    enum class BufferState : uint8_t { Released, Queued, WithWorker, Waiting };

    // Set while a stream is open. The AudioSystem it was opened on stays connected until
    // the device is closed.
    pa_threaded_mainloop* mainloop = nullptr;
    pa_stream* stream = nullptr;
    AudioSystem* audio = nullptr;
    EventLoop* window = nullptr;
    StreamWatch watch;
    bool stopped = true;

    // Shared with the sound server's thread: read and written only under the main-loop lock,
    // except a buffer handed to the worker, which that thread leaves alone until recycle().
    uint8_t buffers[CAPTURE_BUFFER_COUNT * CAPTURE_BUFFER_BYTES] = {};
    int bytesRecorded[CAPTURE_BUFFER_COUNT] = {};
    BufferState states[CAPTURE_BUFFER_COUNT] = {};
    // Queued buffers in the order they fill; the first one is being filled.
    int queue[CAPTURE_BUFFER_COUNT] = {};
    int queueHead = 0;
    int queueCount = 0;
    uint64_t droppedBytes = 0;
    EchoReference reference;
};
