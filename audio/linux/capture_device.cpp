#include "audio/capture_device.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <pulse/error.h>

#include "audio/audio_system.h"
#include "platform/debug_output.h"
#include "platform/event_loop.h"
#include "pulse_stream.h"

// Threading contract. The worker thread calls every public member. The sound server's
// thread runs onReadable, which copies microphone bytes into the first queued buffer and,
// when that buffer is full, hands it to the worker by posting MM_WIM_DATA. Everything the two
// threads share (buffer states, the queue, fill counts, the stopped flag) is read and written under
// the main-loop lock; the callback holds it by construction, the worker takes it. A buffer
// handed to the worker belongs to the worker alone (the post orders its bytes before the
// notification) until recycle() queues it again under the lock, so buffer() and
// bytesRecorded() read it without a lock.

// The server delivers audio in fragments of this size, and a buffer is posted only when
// its last byte has arrived: a 6.25 ms fragment, a tenth of a buffer, posts it within 6.25 ms
// of its last sample (a 20 ms fragment, which does not divide the buffer, added up to 20 ms of
// jitter to the frames' departures, and 1000-byte fragments up to a block).
constexpr uint32_t FRAGMENT_BYTES = 100;
// PipeWire runs the whole desktop's graph at the cycle of its smallest request, so there the
// fragment is half a buffer (31.25 ms): the graph keeps its usual cycle of 1024 samples at
// 48 kHz (21.3 ms), whose steps the audio comes in anyway.
constexpr uint32_t PIPEWIRE_FRAGMENT_BYTES = 500;

using BufferState = CaptureDeviceState::BufferState;

static uint8_t* bufferOf(CaptureDeviceState& device, int index)
{
    return device.buffers + index * CAPTURE_BUFFER_BYTES;
}

static void queueBuffer(CaptureDeviceState& device, int index)
{
    device.bytesRecorded[index] = 0;
    device.states[index] = BufferState::Queued;
    device.queue[(device.queueHead + device.queueCount) % CAPTURE_BUFFER_COUNT] = index;
    ++device.queueCount;
}

static int takeQueued(CaptureDeviceState& device)
{
    const int index = device.queue[device.queueHead];
    device.queueHead = (device.queueHead + 1) % CAPTURE_BUFFER_COUNT;
    --device.queueCount;
    return index;
}

static bool handBack(CaptureDeviceState& device, int index)
{
    device.states[index] = BufferState::WithWorker;
    return device.window->post(MM_WIM_DATA, 0, index);
}

// Hands a full buffer to the worker.
static void post(CaptureDeviceState& device, int index)
{
    if (device.window->post(MM_WIM_DATA, 0, index)) {
        device.states[index] = BufferState::WithWorker;
        return;
    }
    // The worker's queue is full: the buffer's audio is lost and it joins the ring again.
    device.droppedBytes += CAPTURE_BUFFER_BYTES;
    loseAlignment(device.reference);
    queueBuffer(device, index);
}

// Hands on every waiting buffer whose reference has come (or that waited long enough).
static void postPairedBuffers(CaptureDeviceState& device)
{
    for (int index = nextPairedBuffer(device.reference); index >= 0; index = nextPairedBuffer(device.reference)) {
        post(device, index);
    }
}

static void gather(CaptureDeviceState& device, const uint8_t* data, size_t length)
{
    if (device.stopped) {
        return;
    }
    while (length > 0) {
        if (device.queueCount == 0) {
            device.droppedBytes += length;
            loseAlignment(device.reference);
            return;
        }
        const int index = device.queue[device.queueHead];
        const size_t room = static_cast<size_t>(CAPTURE_BUFFER_BYTES - device.bytesRecorded[index]);
        const size_t count = std::min(room, length);
        uint8_t* target = bufferOf(device, index) + device.bytesRecorded[index];
        if (data != nullptr) {
            std::memcpy(target, data, count);
            data += count;
        } else {
            std::memset(target, 0, count);
        }
        device.bytesRecorded[index] += static_cast<int>(count);
        length -= count;
        if (device.bytesRecorded[index] < CAPTURE_BUFFER_BYTES) {
            continue;
        }
        takeQueued(device);
        device.states[index] = BufferState::Waiting;
        waitForReference(device.reference, index);
        postPairedBuffers(device);
    }
}

// Hands every fragment the server holds for stream to take(data, length); data is null for a
// hole in the recording.
template <typename Take>
static void drainRecording(pa_stream* stream, Take take)
{
    for (;;) {
        const void* data = nullptr;
        size_t length = 0;
        if (pa_stream_peek(stream, &data, &length) < 0 || length == 0) {
            return;
        }
        take(static_cast<const uint8_t*>(data), length);
        pa_stream_drop(stream);
    }
}

static void onReadable(pa_stream* stream, size_t, void* state)
{
    auto* device = static_cast<CaptureDeviceState*>(state);
    // A hole in the recording is kept as silence.
    drainRecording(stream, [device](const uint8_t* data, size_t length) { gather(*device, data, length); });
}

static void onReferenceReadable(pa_stream* stream, size_t, void* state)
{
    auto* device = static_cast<CaptureDeviceState*>(state);
    drainRecording(stream, [device](const uint8_t* data, size_t length) {
        if (!device->stopped) {
            keepReference(device->reference, reinterpret_cast<const int16_t*>(data), length / sizeof(int16_t));
        }
    });
    if (!device->stopped) {
        postPairedBuffers(*device);
    }
}

// The stream settings both recordings share: the server's own sizes, but deliveries of
// fragsize bytes; started corked.
static int connectRecording(pa_stream* stream, const char* source, uint32_t fragsize, pa_stream_flags_t moreFlags)
{
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize = fragsize;
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY | moreFlags);
    return pa_stream_connect_record(stream, source, &attributes, flags);
}

static uint32_t fragmentBytes(const AudioSystem& audio)
{
    return audio.state().pipeWire ? PIPEWIRE_FRAGMENT_BYTES : FRAGMENT_BYTES;
}

// Opens the monitor of the default output beside the microphone: 0, or a negative error.
static int openReference(CaptureDeviceState& device, AudioSystem& audio, const pa_sample_spec& sampleSpec)
{
    // The channels' streams go where the client library sends streams without a device of
    // their own: PULSE_SINK when it is set, else the server's default output.
    const ServerFacts facts = askServer(audio.state().mainloop, audio.state().context);
    const char* chosen = std::getenv("PULSE_SINK");
    const char* output = chosen != nullptr && chosen[0] != '\0' ? chosen : facts.defaultSink;
    if (output[0] == '\0') {
        return -PA_ERR_NOENTITY;
    }
    char monitor[512];
    if (std::snprintf(monitor, sizeof monitor, "%s.monitor", output) >= static_cast<int>(sizeof monitor)) {
        return -PA_ERR_INVALID;
    }
    pa_stream* stream = pa_stream_new(audio.state().context, "Kovaro echo reference", &sampleSpec, nullptr);
    if (stream == nullptr) {
        return negativeError(audio.state().context);
    }
    device.reference.watch = StreamWatch{audio.state().mainloop, device.window};
    pa_stream_set_state_callback(stream, watchStreamState, &device.reference.watch);
    pa_stream_set_read_callback(stream, onReferenceReadable, &device);
    // Should the output go away, the server would move the stream to the default source, the
    // microphone itself: it is closed instead, and opened again on the new output.
    const int connected = connectRecording(stream, monitor, fragmentBytes(audio), PA_STREAM_DONT_MOVE);
    if (const int result = finishConnecting(audio.state().mainloop, stream, connected); result != 0) {
        return result;
    }
    device.reference.stream = stream;
    return 0;
}

// Says once, until it is had again, that the monitor cannot be had.
static void tellReference(EchoReference& reference, int result)
{
    if (result == 0) {
        reference.missingTold = false;
        return;
    }
    if (reference.missingTold) {
        return;
    }
    reference.missingTold = true;
    char line[320];
    std::snprintf(line, sizeof line,
                  "audio: the loudspeaker's monitor cannot be recorded (%s); the microphone goes out without echo "
                  "cancellation\n",
                  AudioSystem::errorText(result));
    debugOutput(line);
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
    pa_sample_spec sampleSpec;
    if (const int refused = prepareStream(audio, format, sampleSpec); refused != 0) {
        return refused;
    }
    MainloopLock lock(audio.state().mainloop);
    pa_stream* stream = pa_stream_new(audio.state().context, "Kovaro microphone", &sampleSpec, nullptr);
    if (stream == nullptr) {
        return negativeError(audio.state().context);
    }
    state_.watch = StreamWatch{audio.state().mainloop, window};
    pa_stream_set_state_callback(stream, watchStreamState, &state_.watch);
    pa_stream_set_read_callback(stream, onReadable, &state_);
    const int connected = connectRecording(stream, nullptr, fragmentBytes(audio), PA_STREAM_NOFLAGS);
    if (const int result = finishConnecting(audio.state().mainloop, stream, connected); result != 0) {
        return result;
    }
    state_.mainloop = audio.state().mainloop;
    state_.stream = stream;
    state_.window = window;
    state_.audio = &audio;
    restartReference(state_.reference);
    if (referenceWanted_) {
        tellReference(state_.reference, openReference(state_, audio, sampleSpec));
    }
    return 0;
}

void CaptureDevice::recordReference(bool wanted)
{
    referenceWanted_ = wanted;
    if (state_.stream == nullptr) {
        return;
    }
    MainloopLock lock(state_.mainloop);
    if (wanted == (state_.reference.stream != nullptr)) {
        return;
    }
    if (!wanted) {
        releaseStream(state_.reference.stream);
        state_.reference.stream = nullptr;
        // Buffers that waited for it go without.
        postPairedBuffers(state_);
        return;
    }
    pa_sample_spec sampleSpec;
    if (prepareStream(*state_.audio, format_, sampleSpec) != 0) {
        return;
    }
    restartReference(state_.reference);
    tellReference(state_.reference, openReference(state_, *state_.audio, sampleSpec));
    if (state_.reference.stream != nullptr && !state_.stopped) {
        startWithoutWaiting(pa_stream_cork(state_.reference.stream, 0, nullptr, nullptr),
                            pa_stream_get_context(state_.stream));
    }
}

int CaptureDevice::startDevice()
{
    if (state_.stream == nullptr) {
        return 0;
    }
    if (!state_.stopped) {
        return AUDIO_ALREADY_RUNNING;
    }
    MainloopLock lock(state_.mainloop);
    state_.stopped = false;
    restartReference(state_.reference);
    if (state_.reference.stream != nullptr) {
        startWithoutWaiting(pa_stream_cork(state_.reference.stream, 0, nullptr, nullptr),
                            pa_stream_get_context(state_.stream));
    }
    // Buffers whose notification the worker has not handled yet join the ring from recycle().
    for (int index = 0; index < CAPTURE_BUFFER_COUNT; ++index) {
        if (state_.states[index] == BufferState::Released) {
            queueBuffer(state_, index);
        }
    }
    return startWithoutWaiting(pa_stream_cork(state_.stream, 0, nullptr, nullptr),
                               pa_stream_get_context(state_.stream));
}

void CaptureDevice::stopDevice()
{
    if (state_.stream == nullptr) {
        return;
    }
    MainloopLock lock(state_.mainloop);
    state_.stopped = true;
    pa_context* context = pa_stream_get_context(state_.stream);
    startWithoutWaiting(pa_stream_cork(state_.stream, 1, nullptr, nullptr), context);
    startWithoutWaiting(pa_stream_flush(state_.stream, nullptr, nullptr), context);
    if (state_.reference.stream != nullptr) {
        startWithoutWaiting(pa_stream_cork(state_.reference.stream, 1, nullptr, nullptr), context);
        startWithoutWaiting(pa_stream_flush(state_.reference.stream, nullptr, nullptr), context);
    }
    // Full buffers that waited for their reference are the oldest: they go first, with what
    // of it has come.
    for (int index = nextPairedBuffer(state_.reference, true); index >= 0;
         index = nextPairedBuffer(state_.reference, true)) {
        if (!handBack(state_, index)) {
            state_.states[index] = BufferState::Released;
        }
    }
    restartReference(state_.reference);
    while (state_.queueCount > 0) {
        const int index = takeQueued(state_);
        if (!handBack(state_, index)) {
            state_.states[index] = BufferState::Released;
        }
    }
}

void CaptureDevice::close()
{
    if (state_.stream == nullptr) {
        return;
    }
    stop();
    pa_threaded_mainloop* mainloop = state_.mainloop;
    closeStream(mainloop, state_.reference.stream);
    closeStream(state_.mainloop, state_.stream);
}

bool CaptureDevice::isOpen() const
{
    return state_.stream != nullptr;
}

bool CaptureDevice::isWorking() const
{
    if (state_.stream == nullptr) {
        return false;
    }
    MainloopLock lock(state_.mainloop);
    // Without a monitor the microphone still works; a monitor that was had and broke does not.
    return pa_stream_get_state(state_.stream) == PA_STREAM_READY &&
           (state_.reference.stream == nullptr || pa_stream_get_state(state_.reference.stream) == PA_STREAM_READY);
}

bool CaptureDevice::isStopped() const
{
    return state_.stopped;
}

const uint8_t* CaptureDevice::buffer(int index) const
{
    return state_.buffers + index * CAPTURE_BUFFER_BYTES;
}

uint8_t* CaptureDevice::buffer(int index)
{
    return state_.buffers + index * CAPTURE_BUFFER_BYTES;
}

const int16_t* CaptureDevice::reference(int index) const
{
    return state_.reference.status[index] != ReferenceStatus::None ? state_.reference.samples[index] : nullptr;
}

bool CaptureDevice::referenceRealigned(int index) const
{
    return state_.reference.status[index] == ReferenceStatus::Realigned;
}

int CaptureDevice::bytesRecorded(int index) const
{
    return state_.bytesRecorded[index];
}

void CaptureDevice::recycle(int index)
{
    if (index < 0 || index >= CAPTURE_BUFFER_COUNT) {
        return;
    }
    MainloopLock lock(state_.mainloop);
    if (state_.states[index] != BufferState::WithWorker) {
        return;
    }
    if (state_.stopped || state_.stream == nullptr) {
        state_.states[index] = BufferState::Released;
    } else {
        queueBuffer(state_, index);
    }
}

uint64_t CaptureDevice::droppedBytes() const
{
    MainloopLock lock(state_.mainloop);
    return state_.droppedBytes;
}
