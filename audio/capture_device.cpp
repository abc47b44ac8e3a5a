#include "audio/capture_device.h"

#include <algorithm>
#include <cstring>

#include "audio/audio_system.h"
#include "audio/pulse_stream.h"
#include "platform/event_loop.h"

// Threading contract. The worker thread calls every public member. The sound server's
// thread runs onReadable, which copies microphone bytes into the first queued buffer and,
// when that buffer is full, hands it to the worker by posting MM_WIM_DATA. Everything the two
// threads share (buffer states, the queue, fill counts, `stopped_`) is read and written under
// the main-loop lock; the callback holds it by construction, the worker takes it. A buffer
// handed to the worker belongs to the worker alone (the post orders its bytes before the
// notification) until recycle() queues it again under the lock, so buffer() and
// bytesRecorded() read it without a lock.

// The server delivers audio in fragments of this size, and a buffer is posted only when
// its last byte has arrived: a 6.25 ms fragment, a tenth of a buffer, posts it within 6.25 ms
// of its last sample (a 20 ms fragment, which does not divide the buffer, added up to 20 ms of
// jitter to the frames' departures, and 1000-byte fragments up to a block).
constexpr uint32_t FRAGMENT_BYTES = 100;

CaptureDevice::CaptureDevice() = default;

CaptureDevice::~CaptureDevice()
{
    close();
}

int CaptureDevice::open(AudioSystem& audio, EventLoop* window, const PcmFormat& format)
{
    close();
    pa_sample_spec sampleSpec;
    if (const int refused = prepareStream(audio, format, sampleSpec); refused != 0) {
        return refused;
    }
    MainloopLock lock(audio.mainloop());
    pa_stream* stream = pa_stream_new(audio.context(), "Kovaro microphone", &sampleSpec, nullptr);
    if (stream == nullptr) {
        return negativeError(audio.context());
    }
    pa_stream_set_state_callback(stream, signalOnStreamChange, audio.mainloop());
    pa_stream_set_read_callback(stream, onReadable, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize = FRAGMENT_BYTES;
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    int result = pa_stream_connect_record(stream, nullptr, &attributes, flags) < 0
                     ? negativeError(audio.context())
                     : waitUntilReady(audio.mainloop(), stream);
    if (result != 0) {
        releaseStream(stream);
        return result;
    }
    mainloop_ = audio.mainloop();
    stream_ = stream;
    window_ = window;
    return 0;
}

int CaptureDevice::start()
{
    if (stream_ == nullptr) {
        return 0;
    }
    if (!stopped_) {
        return AUDIO_ALREADY_RUNNING;
    }
    MainloopLock lock(mainloop_);
    stopped_ = false;
    // Buffers whose notification the worker has not handled yet join the ring from recycle().
    for (int index = 0; index < BUFFER_COUNT; ++index) {
        if (states_[index] == BufferState::Released) {
            queueBuffer(index);
        }
    }
    return startWithoutWaiting(pa_stream_cork(stream_, 0, nullptr, nullptr), pa_stream_get_context(stream_));
}

void CaptureDevice::stop()
{
    if (stream_ == nullptr) {
        return;
    }
    MainloopLock lock(mainloop_);
    stopped_ = true;
    pa_context* context = pa_stream_get_context(stream_);
    startWithoutWaiting(pa_stream_cork(stream_, 1, nullptr, nullptr), context);
    startWithoutWaiting(pa_stream_flush(stream_, nullptr, nullptr), context);
    while (queueCount_ > 0) {
        const int index = takeQueued();
        if (!handBack(index)) {
            states_[index] = BufferState::Released;
        }
    }
}

void CaptureDevice::close()
{
    if (stream_ == nullptr) {
        return;
    }
    stop();
    closeStream(mainloop_, stream_);
}

bool CaptureDevice::isOpen() const
{
    return stream_ != nullptr;
}

bool CaptureDevice::isStopped() const
{
    return stopped_;
}

const uint8_t* CaptureDevice::buffer(int index) const
{
    return buffers_ + index * BUFFER_BYTES;
}

uint8_t* CaptureDevice::buffer(int index)
{
    return buffers_ + index * BUFFER_BYTES;
}

int CaptureDevice::bytesRecorded(int index) const
{
    return bytesRecorded_[index];
}

void CaptureDevice::recycle(int index)
{
    if (index < 0 || index >= BUFFER_COUNT) {
        return;
    }
    MainloopLock lock(mainloop_);
    if (states_[index] != BufferState::WithWorker) {
        return;
    }
    if (stopped_ || stream_ == nullptr) {
        states_[index] = BufferState::Released;
    } else {
        queueBuffer(index);
    }
}

uint64_t CaptureDevice::droppedBytes() const
{
    MainloopLock lock(mainloop_);
    return droppedBytes_;
}

void CaptureDevice::onReadable(pa_stream* stream, size_t, void* self)
{
    auto* device = static_cast<CaptureDevice*>(self);
    for (;;) {
        const void* data = nullptr;
        size_t length = 0;
        if (pa_stream_peek(stream, &data, &length) < 0 || length == 0) {
            return;
        }
        // No data with a length is a hole in the recording: it is kept as silence.
        device->gather(static_cast<const uint8_t*>(data), length);
        pa_stream_drop(stream);
    }
}

void CaptureDevice::gather(const uint8_t* data, size_t length)
{
    if (stopped_) {
        return;
    }
    while (length > 0) {
        if (queueCount_ == 0) {
            droppedBytes_ += length;
            return;
        }
        const int index = queue_[queueHead_];
        const size_t room = static_cast<size_t>(BUFFER_BYTES - bytesRecorded_[index]);
        const size_t count = std::min(room, length);
        uint8_t* target = buffer(index) + bytesRecorded_[index];
        if (data != nullptr) {
            std::memcpy(target, data, count);
            data += count;
        } else {
            std::memset(target, 0, count);
        }
        bytesRecorded_[index] += static_cast<int>(count);
        length -= count;
        if (bytesRecorded_[index] < BUFFER_BYTES) {
            continue;
        }
        if (window_->post(MM_WIM_DATA, 0, index)) {
            takeQueued();
            states_[index] = BufferState::WithWorker;
        } else {
            // The worker's queue is full: the buffer stays first in the ring and its audio is lost.
            droppedBytes_ += BUFFER_BYTES;
            bytesRecorded_[index] = 0;
        }
    }
}

bool CaptureDevice::handBack(int index)
{
    states_[index] = BufferState::WithWorker;
    return window_->post(MM_WIM_DATA, 0, index);
}

void CaptureDevice::queueBuffer(int index)
{
    bytesRecorded_[index] = 0;
    states_[index] = BufferState::Queued;
    queue_[(queueHead_ + queueCount_) % BUFFER_COUNT] = index;
    ++queueCount_;
}

int CaptureDevice::takeQueued()
{
    const int index = queue_[queueHead_];
    queueHead_ = (queueHead_ + 1) % BUFFER_COUNT;
    --queueCount_;
    return index;
}
