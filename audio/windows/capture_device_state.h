#pragma once
// The wave-audio side of CaptureDevice: a wave-in device on the default input with one
// header per buffer of the ring (audio/windows/capture_device.cpp). MM_WIM_DATA, the message
// the device posts for each buffer it hands back, is the system's own (<mmsystem.h>).
// audio/capture_device.h includes it as "capture_device_state.h": the build puts this folder on the
// include path on Windows, and audio/linux/ with its twin on Linux.

#include <atomic>
#include <cstdint>

#include "audio/ring_sizes.h"

#include <windows.h>
// <mmsystem.h> needs what <windows.h> declares.
#include <mmsystem.h>

class EventLoop;

struct CaptureDeviceState {
    // Released: unprepared, nobody's. Queued: the device holds it. WithWorker: handed back and
    // posted. Unposted: handed back by the device but its notification did not fit into the
    // worker's queue; the next recycle() queues it again.
    enum class BufferState : uint8_t { Released, Queued, WithWorker, Unposted };

    HWAVEIN handle = nullptr;
    EventLoop* window = nullptr;
    bool stopped = true;
    // A wave call found the device gone; WM_AUDIO_FAULT was posted.
    bool gone = false;
    uint32_t bytesPerSecond = 0;

    // Shared with the device's callback thread, which only hands buffers back.
    WAVEHDR headers[CAPTURE_BUFFER_COUNT] = {};
    std::atomic<BufferState> states[CAPTURE_BUFFER_COUNT] = {};
    std::atomic<int> queuedCount = 0;
    // When the device was left without a buffer (timeGetTime, 0: it has one).
    std::atomic<uint32_t> starvedSinceMs = 0;
    std::atomic<uint64_t> droppedBytes = 0;

    uint8_t buffers[CAPTURE_BUFFER_COUNT * CAPTURE_BUFFER_BYTES] = {};
};
