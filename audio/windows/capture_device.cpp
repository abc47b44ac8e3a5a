// Ahead of the device's header, which brings in <windows.h>: the loop's header declares names
// that <windows.h> defines as macros.
#include "platform/event_loop.h"

#include "audio/capture_device.h"

#include "audio/audio_system.h"
#include "wave_device.h"

// Threading contract. The worker thread calls every public member and is the only one to call
// wave functions. The device's callback runs on the system's thread and only hands buffers
// back: it marks a returned buffer as the worker's and posts MM_WIM_DATA with its index
// (EventLoop::post may be called from any thread; a wave callback must not call wave
// functions). A buffer handed to the worker belongs to the worker alone (the post orders its
// bytes and its header before the notification) until recycle() queues it again.

using BufferState = CaptureDeviceState::BufferState;

// How long stop() waits for the device to hand back the buffers it held.
constexpr DWORD HAND_BACK_TIMEOUT_MS = 1000;

static int indexOf(const CaptureDeviceState& device, const WAVEHDR* header)
{
    return static_cast<int>(header - device.headers);
}

static void CALLBACK onDeviceEvent(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR parameter, DWORD_PTR)
{
    if (message != WIM_DATA) {
        return;
    }
    auto& device = *reinterpret_cast<CaptureDeviceState*>(instance);
    const auto* header = reinterpret_cast<const WAVEHDR*>(parameter);
    const int index = indexOf(device, header);
    // The worker may take the buffer as soon as the notification is posted.
    device.states[index] = BufferState::WithWorker;
    if (!device.window->post(MM_WIM_DATA, 0, index)) {
        // The worker's queue is full: this buffer's audio is lost, and the worker queues it again.
        device.droppedBytes += header->dwBytesRecorded;
        device.states[index] = BufferState::Unposted;
    }
    // Counted down last, so that stop() sees the device done only once every post is made.
    if (--device.queuedCount == 0) {
        device.starvedSinceMs = timeGetTime() | 1u;
    }
}

// The audio the device has let pass since it was left without a buffer (none when it has one).
static uint64_t bytesMissedSince(const CaptureDeviceState& device, uint32_t sinceMs)
{
    if (sinceMs == 0 || device.stopped) {
        return 0;
    }
    return static_cast<uint64_t>(timeGetTime() - sinceMs) * device.bytesPerSecond / 1000;
}

// Adds the time the device went without a buffer, if it did, to the audio lost.
static void countStarvation(CaptureDeviceState& device)
{
    device.droppedBytes += bytesMissedSince(device, device.starvedSinceMs.exchange(0));
}

static void queueBuffer(CaptureDeviceState& device, int index)
{
    WAVEHDR& header = device.headers[index];
    if ((headerFlags(header) & WHDR_PREPARED) == 0) {
        header.lpData = reinterpret_cast<LPSTR>(device.buffers + index * CAPTURE_BUFFER_BYTES);
        header.dwBufferLength = CAPTURE_BUFFER_BYTES;
        header.dwFlags = 0;
        waveInPrepareHeader(device.handle, &header, sizeof header);
    }
    header.dwBytesRecorded = 0;
    device.states[index] = BufferState::Queued;
    ++device.queuedCount;
    if (checkWaveResult(waveInAddBuffer(device.handle, &header, sizeof header), device.gone, device.window) != 0) {
        --device.queuedCount;
        device.states[index] = BufferState::Released;
    }
}

static void releaseBuffer(CaptureDeviceState& device, int index)
{
    WAVEHDR& header = device.headers[index];
    if (device.handle != nullptr && (headerFlags(header) & WHDR_PREPARED) != 0) {
        waveInUnprepareHeader(device.handle, &header, sizeof header);
    }
    device.states[index] = BufferState::Released;
}

CaptureDevice::CaptureDevice() = default;

CaptureDevice::~CaptureDevice()
{
    close();
}

int CaptureDevice::open(AudioSystem& audio, EventLoop* window, const PcmFormat& format)
{
    close();
    window_ = window;
    format_ = format;
    WAVEFORMATEX waveFormat{};
    if (const int refused = prepareWaveFormat(audio, format, waveFormat); refused != 0) {
        return refused;
    }
    // The callback may run as soon as the device exists.
    state_.window = window;
    state_.gone = false;
    state_.bytesPerSecond = format.averageBytesPerSecond;
    const MMRESULT result =
        waveInOpen(&state_.handle, WAVE_MAPPER, &waveFormat, reinterpret_cast<DWORD_PTR>(onDeviceEvent),
                   reinterpret_cast<DWORD_PTR>(&state_), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        state_.handle = nullptr;
        return negativeResult(result);
    }
    return 0;
}

int CaptureDevice::startDevice()
{
    if (state_.handle == nullptr) {
        return 0;
    }
    if (!state_.stopped) {
        return AUDIO_ALREADY_RUNNING;
    }
    state_.stopped = false;
    state_.starvedSinceMs = 0;
    // Buffers whose notification the worker has not handled yet join the ring from recycle().
    for (int index = 0; index < BUFFER_COUNT; ++index) {
        if (state_.states[index] == BufferState::Released) {
            queueBuffer(state_, index);
        }
    }
    return checkWaveResult(waveInStart(state_.handle), state_.gone, state_.window);
}

void CaptureDevice::stopDevice()
{
    if (state_.handle == nullptr) {
        return;
    }
    state_.stopped = true;
    // The device hands back what it held through the callback, which may run a moment after
    // the reset: wait for it, so that every buffer is on its way to the worker on return. A
    // device that is gone hands back nothing more.
    const bool handsBack = waveInReset(state_.handle) == MMSYSERR_NOERROR;
    const DWORD since = timeGetTime();
    while (handsBack && state_.queuedCount > 0 && timeGetTime() - since < HAND_BACK_TIMEOUT_MS) {
        Sleep(1);
    }
    state_.starvedSinceMs = 0;
    for (int index = 0; index < BUFFER_COUNT; ++index) {
        if (state_.states[index] == BufferState::Unposted) {
            releaseBuffer(state_, index);
        }
    }
}

void CaptureDevice::close()
{
    if (state_.handle == nullptr) {
        return;
    }
    stop();
    // Buffers still with the worker are released by their recycle().
    for (int index = 0; index < BUFFER_COUNT; ++index) {
        if (state_.states[index] != BufferState::WithWorker) {
            releaseBuffer(state_, index);
        } else {
            waveInUnprepareHeader(state_.handle, &state_.headers[index], sizeof(WAVEHDR));
        }
    }
    waveInClose(state_.handle);
    state_.handle = nullptr;
    // A device that went away may have kept buffers queued and prepared: the next device
    // starts from none.
    for (WAVEHDR& header : state_.headers) {
        header.dwFlags = 0;
    }
    state_.queuedCount = 0;
}

bool CaptureDevice::isOpen() const
{
    return state_.handle != nullptr;
}

// Asks the device, as a playback channel does: it may be gone while it holds every buffer.
bool CaptureDevice::isWorking() const
{
    if (state_.handle == nullptr || state_.gone) {
        return false;
    }
    MMTIME position{};
    position.wType = TIME_BYTES;
    return !isDeviceGone(waveInGetPosition(state_.handle, &position, sizeof position));
}

bool CaptureDevice::isStopped() const
{
    return state_.stopped;
}

const uint8_t* CaptureDevice::buffer(int index) const
{
    return state_.buffers + index * BUFFER_BYTES;
}

uint8_t* CaptureDevice::buffer(int index)
{
    return state_.buffers + index * BUFFER_BYTES;
}

// No monitor of the loudspeaker is recorded here: nothing is processed yet.
// The wave device records no reference.
void CaptureDevice::recordReference(bool wanted)
{
    referenceWanted_ = wanted;
}

const int16_t* CaptureDevice::reference(int) const
{
    return nullptr;
}

bool CaptureDevice::referenceRealigned(int) const
{
    return false;
}

int CaptureDevice::bytesRecorded(int index) const
{
    return static_cast<int>(state_.headers[index].dwBytesRecorded);
}

void CaptureDevice::recycle(int index)
{
    if (index < 0 || index >= BUFFER_COUNT || state_.states[index] != BufferState::WithWorker) {
        return;
    }
    if (state_.stopped || state_.handle == nullptr) {
        releaseBuffer(state_, index);
        return;
    }
    countStarvation(state_);
    queueBuffer(state_, index);
    for (int other = 0; other < BUFFER_COUNT; ++other) {
        if (state_.states[other] == BufferState::Unposted) {
            queueBuffer(state_, other);
        }
    }
}

uint64_t CaptureDevice::droppedBytes() const
{
    return state_.droppedBytes + bytesMissedSince(state_, state_.starvedSinceMs);
}
