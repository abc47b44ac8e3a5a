#include "tests/win32/fake_wave_device.h"

#include <cstring>

#include <windows.h>
// <mmsystem.h> needs what <windows.h> declares.
#include <mmsystem.h>

// The system's headers declare the wave functions as imported from winmm.dll, so a call goes
// through the import pointer named __imp_<function>. Defining those pointers here makes the
// linker take them instead of winmm's import library for this program.

namespace {

constexpr int OUTPUT_CAPACITY = 32;
constexpr int INPUT_CAPACITY = 4;
constexpr int INPUT_QUEUE_CAPACITY = 64;

struct FakeOutput {
    bool open = false;
    int generation = 0;
    uint32_t bytes = 0;
};

struct FakeInput {
    bool open = false;
    int generation = 0;
    bool started = false;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    WAVEHDR* queue[INPUT_QUEUE_CAPACITY] = {};
    int queued = 0;
};

struct FakeDevice {
    bool present = true;
    // Counts unpluggings: a handle opened in an earlier one is dead.
    int generation = 0;
    FakeOutput outputs[OUTPUT_CAPACITY];
    FakeInput inputs[INPUT_CAPACITY];
};

FakeDevice device;

FakeOutput* liveOutput(HWAVEOUT handle)
{
    auto* output = reinterpret_cast<FakeOutput*>(handle);
    return output->generation == device.generation ? output : nullptr;
}

FakeInput* liveInput(HWAVEIN handle)
{
    auto* input = reinterpret_cast<FakeInput*>(handle);
    return input->generation == device.generation ? input : nullptr;
}

// Hands the input's queued buffers back in order, each with bytes recorded (0: empty).
void handBack(FakeInput& input, bool fill)
{
    const int count = input.queued;
    input.queued = 0;
    for (int i = 0; i < count; ++i) {
        WAVEHDR* header = input.queue[i];
        if (fill) {
            std::memset(header->lpData, 0x11, header->dwBufferLength);
        }
        header->dwBytesRecorded = fill ? header->dwBufferLength : 0;
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        reinterpret_cast<LPDRVCALLBACK>(input.callback)(reinterpret_cast<HDRVR>(&input), WIM_DATA, input.instance,
                                                        reinterpret_cast<DWORD_PTR>(header), 0);
    }
}

UINT WINAPI fakeGetNumDevs()
{
    return device.present ? 1 : 0;
}

MMRESULT WINAPI fakeOutOpen(LPHWAVEOUT handle, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD)
{
    if (!device.present) {
        return MMSYSERR_NODRIVER;
    }
    for (FakeOutput& output : device.outputs) {
        if (!output.open) {
            output = FakeOutput{true, device.generation, 0};
            *handle = reinterpret_cast<HWAVEOUT>(&output);
            return MMSYSERR_NOERROR;
        }
    }
    return MMSYSERR_ALLOCATED;
}

MMRESULT WINAPI fakeOutClose(HWAVEOUT handle)
{
    reinterpret_cast<FakeOutput*>(handle)->open = false;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeOutPrepare(HWAVEOUT handle, LPWAVEHDR header, UINT)
{
    if (liveOutput(handle) == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeOutUnprepare(HWAVEOUT handle, LPWAVEHDR header, UINT)
{
    if (liveOutput(handle) == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT)
{
    FakeOutput* output = liveOutput(handle);
    if (output == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    output->bytes += header->dwBufferLength;
    header->dwFlags |= WHDR_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeOutReset(HWAVEOUT handle)
{
    return liveOutput(handle) == nullptr ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeOutGetPosition(HWAVEOUT handle, LPMMTIME time, UINT)
{
    const FakeOutput* output = liveOutput(handle);
    if (output == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    time->wType = TIME_BYTES;
    time->u.cb = output->bytes;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInOpen(LPHWAVEIN handle, UINT, LPCWAVEFORMATEX, DWORD_PTR callback, DWORD_PTR instance, DWORD)
{
    if (!device.present) {
        return MMSYSERR_NODRIVER;
    }
    for (FakeInput& input : device.inputs) {
        if (!input.open) {
            input = FakeInput{};
            input.open = true;
            input.generation = device.generation;
            input.callback = callback;
            input.instance = instance;
            *handle = reinterpret_cast<HWAVEIN>(&input);
            return MMSYSERR_NOERROR;
        }
    }
    return MMSYSERR_ALLOCATED;
}

MMRESULT WINAPI fakeInClose(HWAVEIN handle)
{
    reinterpret_cast<FakeInput*>(handle)->open = false;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInPrepare(HWAVEIN handle, LPWAVEHDR header, UINT)
{
    if (liveInput(handle) == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInUnprepare(HWAVEIN handle, LPWAVEHDR header, UINT)
{
    if (liveInput(handle) == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT)
{
    FakeInput* input = liveInput(handle);
    if (input == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    if ((header->dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    if (input->queued == INPUT_QUEUE_CAPACITY) {
        return MMSYSERR_NOMEM;
    }
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    input->queue[input->queued++] = header;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInStart(HWAVEIN handle)
{
    FakeInput* input = liveInput(handle);
    if (input == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    input->started = true;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInReset(HWAVEIN handle)
{
    FakeInput* input = liveInput(handle);
    if (input == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    input->started = false;
    handBack(*input, false);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInGetPosition(HWAVEIN handle, LPMMTIME time, UINT)
{
    if (liveInput(handle) == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    time->wType = TIME_BYTES;
    time->u.cb = 0;
    return MMSYSERR_NOERROR;
}

}  // namespace

extern "C" {
decltype(&waveOutGetNumDevs) __imp_waveOutGetNumDevs = fakeGetNumDevs;
decltype(&waveOutOpen) __imp_waveOutOpen = fakeOutOpen;
decltype(&waveOutClose) __imp_waveOutClose = fakeOutClose;
decltype(&waveOutPrepareHeader) __imp_waveOutPrepareHeader = fakeOutPrepare;
decltype(&waveOutUnprepareHeader) __imp_waveOutUnprepareHeader = fakeOutUnprepare;
decltype(&waveOutWrite) __imp_waveOutWrite = fakeOutWrite;
decltype(&waveOutReset) __imp_waveOutReset = fakeOutReset;
decltype(&waveOutGetPosition) __imp_waveOutGetPosition = fakeOutGetPosition;
decltype(&waveInGetNumDevs) __imp_waveInGetNumDevs = fakeGetNumDevs;
decltype(&waveInOpen) __imp_waveInOpen = fakeInOpen;
decltype(&waveInClose) __imp_waveInClose = fakeInClose;
decltype(&waveInPrepareHeader) __imp_waveInPrepareHeader = fakeInPrepare;
decltype(&waveInUnprepareHeader) __imp_waveInUnprepareHeader = fakeInUnprepare;
decltype(&waveInAddBuffer) __imp_waveInAddBuffer = fakeInAddBuffer;
decltype(&waveInStart) __imp_waveInStart = fakeInStart;
decltype(&waveInReset) __imp_waveInReset = fakeInReset;
decltype(&waveInGetPosition) __imp_waveInGetPosition = fakeInGetPosition;
}

namespace fake_wave {

void reset()
{
    device = FakeDevice{};
}

void unplug()
{
    device.present = false;
    ++device.generation;
    for (FakeInput& input : device.inputs) {
        if (input.open) {
            input.started = false;
            handBack(input, false);
        }
    }
}

void plugIn()
{
    device.present = true;
}

int record()
{
    for (FakeInput& input : device.inputs) {
        if (input.open && input.generation == device.generation && input.started) {
            const int count = input.queued;
            handBack(input, true);
            return count;
        }
    }
    return 0;
}

uint32_t bytesPlayed()
{
    uint32_t bytes = 0;
    for (const FakeOutput& output : device.outputs) {
        if (output.open && output.generation == device.generation) {
            bytes += output.bytes;
        }
    }
    return bytes;
}

int openOutputs()
{
    int count = 0;
    for (const FakeOutput& output : device.outputs) {
        count += output.open ? 1 : 0;
    }
    return count;
}

bool inputStarted()
{
    for (const FakeInput& input : device.inputs) {
        if (input.open && input.generation == device.generation && input.started) {
            return true;
        }
    }
    return false;
}

}  // namespace fake_wave
