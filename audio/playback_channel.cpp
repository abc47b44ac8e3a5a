#include "audio/playback_channel.h"

#include <pulse/error.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/audio_system.h"
#include "audio/playout_edits.h"
#include "audio/pulse_stream.h"

// Each channel is one playback stream, so the sound server mixes the sixteen slots and the
// system mixer lists them by name.
//
// Playout: every block passes the slot's PlayoutPolicy with the queue it finds, which may
// ask for silence ahead of it (a cushion), cut it (a queue above its target) or ramp it in
// (after the queue ran dry). Each block is followed by concealment (the block's last voice
// period repeated, fading out) that plays only when the next block is late or lost: the next
// block is written over what of it has not played, by moving the stream's write index back.
// Speech queued is never written over, only this filler at the end of the queue.
//
// Bounded queue: a channel holds at most BLOCK_COUNT blocks (0.5 s). A write that would
// exceed that is dropped, and counted; the audio already queued plays on untouched. Dropping
// the newest frame loses one 62.5 ms block at the moment a burst arrives, where discarding
// the queued audio would cut half a second out of what the listener is already hearing.
// The queue is the stream's write index (counted here on every write) minus its read index:
// the one of the server's last timing report, moved on by what the server has played since
// that report was taken while the stream was playing. Every write asks for a new report,
// whatever its outcome, with at most one request under way, and a write that would be refused
// on a report older than a block waits for a fresh one first: an estimate frozen at "full"
// would refuse every later block and leave the slot silent for good.
//
// The stream copies every block it is given, so a block of the ring may be reused at once:
// no MM_WOM_DONE notification is needed to learn that a block has finished, and none is sent.

// Low-latency buffering, in bytes: the server asks for more once it holds less than TARGET;
// playback starts (again) as soon as a sample waits. The cushion against the jitter of frames
// arriving over the network is the playout policy's, built from silence queued ahead of a
// block where it is needed; a fixed prebuffer would add its whole length to every sample.
// The server's defaults add about a second.
constexpr uint32_t TARGET_BYTES = 3000;
constexpr uint32_t PREBUFFER_BYTES = 2;
constexpr uint32_t REQUEST_BYTES = 500;

// A report older than one block may miss a whole block played or a drain after a pause.
constexpr pa_usec_t STALE_REPORT_USEC = 62500;

constexpr uint32_t QUEUE_LIMIT_BYTES = PlayoutPolicy::LIMIT_BYTES;
static_assert(QUEUE_LIMIT_BYTES == PlaybackChannel::BLOCK_COUNT * PlaybackChannel::BLOCK_BYTES);

// What a lead of silence is copied from (the stream copies what it is given).
static const uint8_t SILENCE[QUEUE_LIMIT_BYTES] = {};

// Room for "15: " and a nickname; a longer name is cut at a character boundary.
constexpr size_t STREAM_NAME_BYTES = 256;

// The stream's name until the slot's nickname is known, and again when it is cleared.
static void nameAfterSlot(char (&name)[STREAM_NAME_BYTES], int slot)
{
    std::snprintf(name, sizeof name, "Kovaro slot %d", slot);
}

PlaybackChannel::PlaybackChannel() = default;

PlaybackChannel::~PlaybackChannel()
{
    close();
}

// The window parameter stays for the symmetry with the capture device: nothing is posted.
int PlaybackChannel::open(AudioSystem& audio, EventLoop*, const PcmFormat& format, int slot)
{
    close();
    pa_sample_spec sampleSpec;
    if (const int refused = prepareStream(audio, format, sampleSpec); refused != 0) {
        return refused;
    }
    char name[STREAM_NAME_BYTES];
    nameAfterSlot(name, slot);
    MainloopLock lock(audio.mainloop());
    pa_stream* stream = pa_stream_new(audio.context(), name, &sampleSpec, nullptr);
    if (stream == nullptr) {
        return negativeError(audio.context());
    }
    pa_stream_set_state_callback(stream, signalOnStreamChange, audio.mainloop());
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = TARGET_BYTES;
    attributes.prebuf = PREBUFFER_BYTES;
    attributes.minreq = REQUEST_BYTES;
    attributes.fragsize = static_cast<uint32_t>(-1);
    const auto flags = PA_STREAM_ADJUST_LATENCY;
    const int result = pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr) < 0
                           ? negativeError(audio.context())
                           : waitUntilReady(audio.mainloop(), stream);
    if (result != 0) {
        releaseStream(stream);
        return result;
    }
    mainloop_ = audio.mainloop();
    stream_ = stream;
    slot_ = slot;
    bytesWritten_ = 0;
    concealedBytes_ = 0;
    playout_.reset();
    requestTimingLocked();
    return 0;
}

// The largest magnitude among count samples.
static int peakOf(const int16_t* samples, int count)
{
    int peak = 0;
    for (int i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

static int64_t monotonicUsec()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int PlaybackChannel::write(const uint8_t* data, size_t length)
{
    if (stream_ == nullptr) {
        return 0;
    }
    const uint32_t block = writeCount_ % BLOCK_COUNT;
    ++writeCount_;
    size_t count = std::min(length, static_cast<size_t>(BLOCK_BYTES));
    MainloopLock lock(mainloop_);
    count -= count % pa_frame_size(pa_stream_get_sample_spec(stream_));
    if (count == 0) {
        return 0;
    }
    uint32_t queued = queuedBytesLocked();
    if (queued + count > QUEUE_LIMIT_BYTES && reportIsStaleLocked()) {
        // The report may predate a pause in which the queue drained: refuse only on a fresh one.
        awaitTimingLocked();
        queued = queuedBytesLocked();
    }
    const uint32_t concealed = queued - speechOf(queued);
    int16_t* samples = blocks_ + block * (BLOCK_BYTES / 2);
    std::memcpy(samples, data, count);
    int sampleCount = static_cast<int>(count / 2);
    const int peak = peakOf(samples, sampleCount);
    const PlayoutDecision decision =
        playout_.arrive(monotonicUsec(), speechOf(queued), concealed, static_cast<uint32_t>(count), peak);
    if (decision.keepBytes < count) {
        // Quiet material is simply cut short; loud material is spliced where it repeats.
        const int cut = static_cast<int>((count - decision.keepBytes) / 2);
        sampleCount = peak <= PlayoutPolicy::QUIET_PEAK ? sampleCount - cut : shortenBlock(samples, sampleCount, cut);
    }
    if (decision.fadeIn) {
        fadeIn(samples, sampleCount);
    }
    const uint32_t keep = static_cast<uint32_t>(sampleCount) * 2;
    if (decision.refused) {
        ++droppedWrites_;
        requestTimingLocked();
        return -PA_ERR_BUSY;
    }
    int result = 0;
    if (keep > 0) {
        // What follows starts where the kept concealment ends: the rest of it is overwritten.
        int64_t offset = -static_cast<int64_t>(concealed - decision.concealKeptBytes);
        // After a gap the cushion is silence; in a quiet moment it is more of the quiet block,
        // so that a murmur in the background goes on.
        uint32_t lead = decision.leadBytes;
        const bool fromBlock = !decision.fadeIn;
        while (result == 0 && lead > 0) {
            const uint32_t part = fromBlock ? std::min(lead, keep) : lead;
            result = queueLocked(fromBlock ? reinterpret_cast<const uint8_t*>(samples) : SILENCE, part, offset);
            lead -= part;
            offset = 0;
        }
        if (result == 0) {
            result = queueLocked(reinterpret_cast<const uint8_t*>(samples), keep, offset);
        }
        concealedBytes_ = 0;
        if (result == 0 && decision.concealBytes > 0) {
            const int concealSamples = static_cast<int>(decision.concealBytes / 2);
            concealmentAfter(samples, sampleCount, concealment_, concealSamples);
            result = queueLocked(reinterpret_cast<const uint8_t*>(concealment_), decision.concealBytes, 0);
            concealedBytes_ = result == 0 ? decision.concealBytes : 0;
        }
    }
    requestTimingLocked();
    return result;
}

// offset moves the write index first (negative: back over concealment not played yet).
int PlaybackChannel::queueLocked(const uint8_t* bytes, uint32_t count, int64_t offset)
{
    if (count == 0) {
        return 0;
    }
    if (pa_stream_write(stream_, bytes, count, nullptr, offset, PA_SEEK_RELATIVE) < 0) {
        return negativeError(pa_stream_get_context(stream_));
    }
    bytesWritten_ = static_cast<uint64_t>(static_cast<int64_t>(bytesWritten_) + offset) + count;
    return 0;
}

// Wakes a writer waiting in awaitTimingLocked; userdata is the main loop.
static void signalOnTimingReport(pa_stream*, int, void* mainloop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

void PlaybackChannel::requestTimingLocked()
{
    if (timingRequest_ != nullptr) {
        if (pa_operation_get_state(timingRequest_) == PA_OPERATION_RUNNING) {
            return;
        }
        pa_operation_unref(timingRequest_);
    }
    timingRequest_ = pa_stream_update_timing_info(stream_, signalOnTimingReport, mainloop_);
}

void PlaybackChannel::awaitTimingLocked()
{
    requestTimingLocked();
    while (timingRequest_ != nullptr && pa_operation_get_state(timingRequest_) == PA_OPERATION_RUNNING &&
           PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
        pa_threaded_mainloop_wait(mainloop_);
    }
}

bool PlaybackChannel::reportIsStaleLocked() const
{
    const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
    if (timing == nullptr) {
        return true;
    }
    timeval now;
    pa_gettimeofday(&now);
    return pa_timeval_cmp(&now, &timing->timestamp) > 0 &&
           pa_timeval_diff(&now, &timing->timestamp) > STALE_REPORT_USEC;
}

void PlaybackChannel::dropTimingRequest()
{
    if (timingRequest_ == nullptr) {
        return;
    }
    MainloopLock lock(mainloop_);
    pa_operation_cancel(timingRequest_);
    pa_operation_unref(timingRequest_);
    timingRequest_ = nullptr;
}

// Cuts text to at most limit bytes without splitting a UTF-8 sequence.
static size_t utf8Prefix(const char* text, size_t limit)
{
    size_t length = strnlen(text, limit + 1);
    if (length <= limit) {
        return length;
    }
    length = limit;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

void PlaybackChannel::setDisplayName(const char* nickname)
{
    if (stream_ == nullptr) {
        return;
    }
    char name[STREAM_NAME_BYTES];
    if (nickname == nullptr || nickname[0] == '\0') {
        nameAfterSlot(name, slot_);
    } else {
        const int prefix = std::snprintf(name, sizeof name, "%d: ", slot_);
        const size_t room = sizeof name - 1 - static_cast<size_t>(prefix);
        const size_t length = utf8Prefix(nickname, room);
        std::memcpy(name + prefix, nickname, length);
        name[static_cast<size_t>(prefix) + length] = '\0';
    }
    MainloopLock lock(mainloop_);
    // Replaces media.name through a property-list update; the mixer shows it at once.
    startWithoutWaiting(pa_stream_set_name(stream_, name, nullptr, nullptr), pa_stream_get_context(stream_));
}

void PlaybackChannel::close()
{
    dropTimingRequest();
    closeStream(mainloop_, stream_);
}

bool PlaybackChannel::isOpen() const
{
    return stream_ != nullptr;
}

uint32_t PlaybackChannel::writeCount() const
{
    return writeCount_;
}

uint32_t PlaybackChannel::queuedBytes() const
{
    if (stream_ == nullptr) {
        return 0;
    }
    MainloopLock lock(mainloop_);
    return speechOf(queuedBytesLocked());
}

uint32_t PlaybackChannel::droppedWrites() const
{
    return droppedWrites_;
}

const PlayoutPolicy& PlaybackChannel::playout() const
{
    return playout_;
}

// The concealment sits at the end of what was written, so it is what plays last.
uint32_t PlaybackChannel::speechOf(uint32_t queued) const
{
    return queued - std::min(queued, concealedBytes_);
}

uint32_t PlaybackChannel::queuedBytesLocked() const
{
    const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
    if (timing == nullptr || timing->write_index_corrupt || timing->read_index_corrupt) {
        // No report yet: assume nothing has played.
        return static_cast<uint32_t>(std::min<uint64_t>(bytesWritten_, UINT32_MAX));
    }
    int64_t readIndex = timing->read_index;
    if (timing->playing) {
        timeval now;
        pa_gettimeofday(&now);
        if (pa_timeval_cmp(&now, &timing->timestamp) > 0) {
            const pa_usec_t sinceReport = pa_timeval_diff(&now, &timing->timestamp);
            readIndex += static_cast<int64_t>(pa_usec_to_bytes(sinceReport, pa_stream_get_sample_spec(stream_)));
        }
    }
    const int64_t queued = timing->write_index - readIndex;
    return queued > 0 ? static_cast<uint32_t>(std::min<int64_t>(queued, UINT32_MAX)) : 0;
}
