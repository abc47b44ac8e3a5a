#pragma once
// The microphone: a record stream at the system's PCM format whose bytes are gathered into
// a ring of 32 buffers of 1000 bytes. Each buffer that is handed back (full, or partly
// filled by a stop) reaches the worker as MM_WIM_DATA with lParam = the buffer's index.
// Threading: every member on the worker thread; the sound server's thread only fills
// buffers and posts notifications.

#include <cstddef>
#include <cstdint>

#include "audio/pcm_format.h"

class AudioSystem;
class EventLoop;

class CaptureDevice {
public:
    static constexpr int BUFFER_COUNT = 32;
    static constexpr int BUFFER_BYTES = 1000;

    CaptureDevice();
    ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    // Opens the default input for format, stopped; closes an open device first.
    // 0, or a negative error (AudioSystem::errorText describes it).
    int open(AudioSystem& audio, EventLoop* window, const PcmFormat& format);
    // 0 without a device; -1 when already running; else queues all buffers and starts: 0 or an error.
    int start();
    // Stops recording; every queued buffer comes back through MM_WIM_DATA.
    void stop();
    void close();

    bool isOpen() const;
    bool isStopped() const;

    // The buffer a notification names, and how many bytes were recorded into it.
    const uint8_t* buffer(int index) const;
    uint8_t* buffer(int index);
    int bytesRecorded(int index) const;
    // Last step of every notification: queue the buffer again, or release it when stopped.
    void recycle(int index);

private:
    struct State;
    State* state_;
};
