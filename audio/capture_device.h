#pragma once
// The microphone: a record stream at the system's PCM format whose bytes are gathered into
// a ring of 32 buffers of 1000 bytes. Each buffer that is handed back (full, or partly
// filled by a stop) reaches the worker as MM_WIM_DATA with lParam = the buffer's index.
// Threading: every member on the worker thread; the sound server's thread only fills
// buffers and posts notifications.

#include <cstddef>
#include <cstdint>

#include "audio/audio_results.h"
#include "audio/pcm_format.h"

// What the device posts to its window for each buffer it hands back.
constexpr uint32_t MM_WIM_DATA = 0x3C0;

class AudioSystem;
class EventLoop;
struct pa_stream;
struct pa_threaded_mainloop;

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
    // 0 without a device; AUDIO_ALREADY_RUNNING when running; else queues all buffers and
    // starts: 0 or an error.
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

    // Bytes of microphone audio thrown away because no buffer was queued (the worker fell
    // behind by more than the ring's 2 seconds).
    uint64_t droppedBytes() const;

private:
    enum class BufferState : uint8_t { Released, Queued, WithWorker };

    static void onReadable(pa_stream* stream, size_t length, void* self);
    void gather(const uint8_t* data, size_t length);
    bool handBack(int index);
    void queueBuffer(int index);
    int takeQueued();

    // Set while a stream is open. The AudioSystem it was opened on stays connected until
    // the device is closed.
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_stream* stream_ = nullptr;
    EventLoop* window_ = nullptr;
    bool stopped_ = true;

    // Shared with the sound server's thread: read and written only under the main-loop lock,
    // except a buffer handed to the worker, which that thread leaves alone until recycle().
    uint8_t buffers_[BUFFER_COUNT * BUFFER_BYTES] = {};
    int bytesRecorded_[BUFFER_COUNT] = {};
    BufferState states_[BUFFER_COUNT] = {};
    // Queued buffers in the order they fill; the first one is being filled.
    int queue_[BUFFER_COUNT] = {};
    int queueHead_ = 0;
    int queueCount_ = 0;
    uint64_t droppedBytes_ = 0;
};
