#pragma once
// The microphone: the default input at the system's PCM format, recorded into a ring of 32
// buffers of 1000 bytes. Each buffer that is handed back (full, or partly filled by a stop)
// reaches the worker as MM_WIM_DATA with lParam = the buffer's index; the worker reads it and
// gives it back with recycle(). What the device holds is the system's own
// (capture_device_state.h of audio/linux or audio/windows), and so is MM_WIM_DATA (0x3C0).
// Threading: every member on the worker thread; the sound system's thread only fills
// buffers and posts notifications.

#include <cstddef>
#include <cstdint>

#include "audio/audio_results.h"
#include "audio/pcm_format.h"
#include "audio/ring_sizes.h"
// From audio/linux/ or audio/windows/, whichever the build puts on the include path.
#include "capture_device_state.h"

class AudioSystem;
class EventLoop;

class CaptureDevice {
public:
    static constexpr int BUFFER_COUNT = CAPTURE_BUFFER_COUNT;
    static constexpr int BUFFER_BYTES = CAPTURE_BUFFER_BYTES;

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
    // Closes the device and opens it again as it was last opened, on audio (connected anew),
    // recording again if it was recording or was started while it had no device. For a device
    // lost with its sound server; nothing recorded before is handed on. 0 or an error.
    int reopen(AudioSystem& audio);

    bool isOpen() const;
    bool isStopped() const;
    // Open on a stream that still works (false once the device or the sound server went away;
    // the device then posted WM_AUDIO_FAULT).
    bool isWorking() const;

    // Records the loudspeaker's monitor beside the microphone, for the echo canceller, or not:
    // without it a buffer goes to the worker the moment it fills, instead of waiting for its
    // reference (on PipeWire, most of a block). Applies to an open device at once and to every
    // later open; wanted until said otherwise.
    void recordReference(bool wanted);

    // The buffer a notification names, and how many bytes were recorded into it.
    const uint8_t* buffer(int index) const;
    uint8_t* buffer(int index);
    int bytesRecorded(int index) const;
    // What the loudspeaker played over the same 62.5 ms as that buffer (500 samples, leading
    // its echo), or nullptr when the system records no such reference or it was not had.
    const int16_t* reference(int index) const;
    // The buffer's reference was aligned with the microphone anew (after a start, a stall or
    // lost audio): an echo path learnt before no longer holds.
    bool referenceRealigned(int index) const;
    // Last step of every notification: queue the buffer again, or release it when stopped.
    void recycle(int index);

    // Bytes of microphone audio thrown away because no buffer was queued (the worker fell
    // behind by more than the ring's 2 seconds).
    uint64_t droppedBytes() const;

private:
    // The system's part of start() and stop().
    int startDevice();
    void stopDevice();

    CaptureDeviceState state_;
    // What the last open() was given, for reopen().
    EventLoop* window_ = nullptr;
    PcmFormat format_{};
    // start() was called after the last stop(), whether or not a device was open.
    bool recordingWanted_ = false;
    bool referenceWanted_ = true;
};
