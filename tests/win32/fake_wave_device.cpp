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
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
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

FakeDevice fake;

// The device behind a handle, or null when it was opened before the last unplugging.
template <typename Device, typename Handle>
Device* live(Handle handle)
{
    auto* device = reinterpret_cast<Device*>(handle);
    return device->generation == fake.generation ? device : nullptr;
}


// Prepares or unprepares a header on a device that is still there.
template <typename Device, typename Handle, bool PREPARED>
MMRESULT WINAPI fakePrepare(Handle handle, LPWAVEHDR header, UINT)
{
    if (live<Device>(handle) == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    header->dwFlags = PREPARED ? header->dwFlags | WHDR_PREPARED : header->dwFlags & ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

// Closing works on a dead handle too.
template <typename Device, typename Handle>
MMRESULT WINAPI fakeClose(Handle handle)
{
    reinterpret_cast<Device*>(handle)->open = false;
    return MMSYSERR_NOERROR;
}

// Takes a free entry of the table for a new handle.
template <typename Device, size_t N, typename Handle>
MMRESULT openIn(Device (&table)[N], Handle* handle, DWORD_PTR callback, DWORD_PTR instance)
{
    if (!fake.present) {
        return MMSYSERR_NODRIVER;
    }
    for (Device& device : table) {
        if (!device.open) {
            device = Device{};
            device.open = true;
            device.generation = fake.generation;
            device.callback = callback;
            device.instance = instance;
            *handle = reinterpret_cast<Handle>(&device);
            return MMSYSERR_NOERROR;
        }
    }
    return MMSYSERR_ALLOCATED;
}

// The live input that records, or null.
FakeInput* recordingInput()
{
    for (FakeInput& input : fake.inputs) {
        if (input.open && input.generation == fake.generation && input.started) {
            return &input;
        }
    }
    return nullptr;
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
    return fake.present ? 1 : 0;
}

MMRESULT WINAPI fakeOutOpen(LPHWAVEOUT handle, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD)
{
    return openIn(fake.outputs, handle, 0, 0);
}




MMRESULT WINAPI fakeOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT)
{
    FakeOutput* output = live<FakeOutput>(handle);
    if (output == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    output->bytes += header->dwBufferLength;
    header->dwFlags |= WHDR_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeOutReset(HWAVEOUT handle)
{
    return live<FakeOutput>(handle) == nullptr ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeOutGetPosition(HWAVEOUT handle, LPMMTIME time, UINT)
{
    const FakeOutput* output = live<FakeOutput>(handle);
    if (output == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    time->wType = TIME_BYTES;
    time->u.cb = output->bytes;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInOpen(LPHWAVEIN handle, UINT, LPCWAVEFORMATEX, DWORD_PTR callback, DWORD_PTR instance, DWORD)
{
    return openIn(fake.inputs, handle, callback, instance);
}




MMRESULT WINAPI fakeInAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT)
{
    FakeInput* input = live<FakeInput>(handle);
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
    FakeInput* input = live<FakeInput>(handle);
    if (input == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    input->started = true;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInReset(HWAVEIN handle)
{
    FakeInput* input = live<FakeInput>(handle);
    if (input == nullptr) {
        return MMSYSERR_NODRIVER;
    }
    input->started = false;
    handBack(*input, false);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI fakeInGetPosition(HWAVEIN handle, LPMMTIME time, UINT)
{
    if (live<FakeInput>(handle) == nullptr) {
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
decltype(&waveOutClose) __imp_waveOutClose = fakeClose<FakeOutput, HWAVEOUT>;
decltype(&waveOutPrepareHeader) __imp_waveOutPrepareHeader = fakePrepare<FakeOutput, HWAVEOUT, true>;
decltype(&waveOutUnprepareHeader) __imp_waveOutUnprepareHeader = fakePrepare<FakeOutput, HWAVEOUT, false>;
decltype(&waveOutWrite) __imp_waveOutWrite = fakeOutWrite;
decltype(&waveOutReset) __imp_waveOutReset = fakeOutReset;
decltype(&waveOutGetPosition) __imp_waveOutGetPosition = fakeOutGetPosition;
decltype(&waveInGetNumDevs) __imp_waveInGetNumDevs = fakeGetNumDevs;
decltype(&waveInOpen) __imp_waveInOpen = fakeInOpen;
decltype(&waveInClose) __imp_waveInClose = fakeClose<FakeInput, HWAVEIN>;
decltype(&waveInPrepareHeader) __imp_waveInPrepareHeader = fakePrepare<FakeInput, HWAVEIN, true>;
decltype(&waveInUnprepareHeader) __imp_waveInUnprepareHeader = fakePrepare<FakeInput, HWAVEIN, false>;
decltype(&waveInAddBuffer) __imp_waveInAddBuffer = fakeInAddBuffer;
decltype(&waveInStart) __imp_waveInStart = fakeInStart;
decltype(&waveInReset) __imp_waveInReset = fakeInReset;
decltype(&waveInGetPosition) __imp_waveInGetPosition = fakeInGetPosition;
}

namespace fake_wave {

void reset()
{
    fake = FakeDevice{};
}

void unplug()
{
    fake.present = false;
    ++fake.generation;
    for (FakeInput& input : fake.inputs) {
        if (input.open) {
            input.started = false;
            handBack(input, false);
        }
    }
}

void plugIn()
{
    fake.present = true;
}

int record()
{
    FakeInput* input = recordingInput();
    if (input == nullptr) {
        return 0;
    }
    const int count = input->queued;
    handBack(*input, true);
    return count;
}

uint32_t bytesPlayed()
{
    uint32_t bytes = 0;
    for (const FakeOutput& output : fake.outputs) {
        bytes += output.open && output.generation == fake.generation ? output.bytes : 0;
    }
    return bytes;
}

int openOutputs()
{
    int count = 0;
    for (const FakeOutput& output : fake.outputs) {
        count += output.open ? 1 : 0;
    }
    return count;
}

bool inputStarted()
{
    return recordingInput() != nullptr;
}

}  // namespace fake_wave
