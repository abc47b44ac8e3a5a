// The fixture's sound server as Wine shows it: a wave-out device for each sink and a wave-in
// device for each monitor, named after the sinks' descriptions in tools/pulse-up.sh.

#include <atomic>
#include <cstring>
#include <cwchar>
#include <thread>
#include <vector>

#include "tests/audio/sound_server_tools.h"

#include <windows.h>
// <mmsystem.h> needs what <windows.h> declares.
#include <mmsystem.h>

namespace {

constexpr const wchar_t* OUTPUT_MONITOR_DEVICE = L"Monitor of TestOut";
constexpr const wchar_t* MICROPHONE_FEED_DEVICE = L"TestMicFeed";

WAVEFORMATEX voiceFormat()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = SAMPLE_RATE;
    format.nAvgBytesPerSec = SAMPLE_RATE * 2;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    return format;
}

// The id of the wave-in device with that name, or -1.
int inputNamed(const wchar_t* name)
{
    for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(id, &caps, sizeof caps) == MMSYSERR_NOERROR && std::wcscmp(caps.szPname, name) == 0)
            return static_cast<int>(id);
    }
    return -1;
}

int outputNamed(const wchar_t* name)
{
    for (UINT id = 0; id < waveOutGetNumDevs(); ++id) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(id, &caps, sizeof caps) == MMSYSERR_NOERROR && std::wcscmp(caps.szPname, name) == 0)
            return static_cast<int>(id);
    }
    return -1;
}

bool isDone(const WAVEHDR& header)
{
    return (__atomic_load_n(&header.dwFlags, __ATOMIC_ACQUIRE) & WHDR_DONE) != 0;
}

}  // namespace

// A thread takes the monitor's buffers in turn as they fill and queues them again.
struct OutputRecorder::System {
    static constexpr int BUFFERS = 8;
    static constexpr int BUFFER_SAMPLES = 400;

    HWAVEIN handle = nullptr;
    WAVEHDR headers[BUFFERS] = {};
    int16_t buffers[BUFFERS][BUFFER_SAMPLES] = {};
    std::atomic<bool> running = false;
    std::thread reader;
    Samples recorded;
    int next = 0;

    void take(WAVEHDR& header)
    {
        const auto* samples = reinterpret_cast<const int16_t*>(header.lpData);
        recorded.insert(recorded.end(), samples, samples + header.dwBytesRecorded / 2);
    }

    void read()
    {
        while (running) {
            WAVEHDR& header = headers[next];
            if (!isDone(header)) {
                Sleep(1);
                continue;
            }
            take(header);
            header.dwFlags &= ~WHDR_DONE;
            waveInAddBuffer(handle, &header, sizeof header);
            next = (next + 1) % BUFFERS;
        }
    }

    ~System() { finish(); }

    // Ends the recording and takes what the device still held.
    void finish()
    {
        if (handle == nullptr)
            return;
        running = false;
        if (reader.joinable())
            reader.join();
        waveInReset(handle);
        for (int i = 0; i < BUFFERS; ++i) {
            WAVEHDR& header = headers[(next + i) % BUFFERS];
            if (isDone(header))
                take(header);
            waveInUnprepareHeader(handle, &header, sizeof header);
        }
        waveInClose(handle);
        handle = nullptr;
    }
};

OutputRecorder::OutputRecorder() : system_(std::make_unique<System>())
{
}
OutputRecorder::~OutputRecorder() = default;

bool OutputRecorder::start()
{
    const int device = inputNamed(OUTPUT_MONITOR_DEVICE);
    const WAVEFORMATEX format = voiceFormat();
    if (device < 0 ||
        waveInOpen(&system_->handle, static_cast<UINT>(device), &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return false;
    for (int i = 0; i < System::BUFFERS; ++i) {
        WAVEHDR& header = system_->headers[i];
        header.lpData = reinterpret_cast<LPSTR>(system_->buffers[i]);
        header.dwBufferLength = sizeof system_->buffers[i];
        waveInPrepareHeader(system_->handle, &header, sizeof header);
        waveInAddBuffer(system_->handle, &header, sizeof header);
    }
    system_->running = true;
    system_->reader = std::thread([this] { system_->read(); });
    return waveInStart(system_->handle) == MMSYSERR_NOERROR;
}

Samples OutputRecorder::stop()
{
    system_->finish();
    return std::move(system_->recorded);
}

// One header with everything to play.
struct MicrophoneFeed::System {
    HWAVEOUT handle = nullptr;
    WAVEHDR header{};
    Samples samples;

    ~System()
    {
        if (handle == nullptr)
            return;
        waveOutReset(handle);
        waveOutUnprepareHeader(handle, &header, sizeof header);
        waveOutClose(handle);
    }
};

MicrophoneFeed::MicrophoneFeed() : system_(std::make_unique<System>())
{
}
MicrophoneFeed::~MicrophoneFeed() = default;

bool MicrophoneFeed::start(const Samples& samples)
{
    const int device = outputNamed(MICROPHONE_FEED_DEVICE);
    const WAVEFORMATEX format = voiceFormat();
    if (device < 0 ||
        waveOutOpen(&system_->handle, static_cast<UINT>(device), &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return false;
    system_->samples = samples;
    system_->header.lpData = reinterpret_cast<LPSTR>(system_->samples.data());
    system_->header.dwBufferLength = static_cast<DWORD>(system_->samples.size() * 2);
    return waveOutPrepareHeader(system_->handle, &system_->header, sizeof system_->header) == MMSYSERR_NOERROR &&
           waveOutWrite(system_->handle, &system_->header, sizeof system_->header) == MMSYSERR_NOERROR;
}

bool MicrophoneFeed::isPlaying()
{
    return system_->handle != nullptr && !isDone(system_->header);
}
