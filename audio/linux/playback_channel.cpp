#include "audio/playback_channel.h"

#include <pulse/error.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/audio_system.h"
#include "audio/playout_block.h"
#include "audio/playout_edits.h"
#include "pulse_stream.h"

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
// the one of the server's last timing report (less what the sink has mixed but not played,
// where the server rewinds), moved on by what the server has played since that report was
// taken while the stream was playing. Every write asks for a new report,
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

// PipeWire hands a stream's audio to its graph a cycle at a time (1024 samples at 48 kHz,
// 21.3 ms) and cannot take it back, so there nothing is written over before the stream's
// first timing report says how much the graph has taken. And every block is followed by at
// least two cycles of concealment or silence: pipewire-pulse hands out only whole cycles, and
// would keep the end of the last block before a pause until more came.
constexpr uint32_t PIPEWIRE_TAIL_BYTES = 800;
static_assert(PIPEWIRE_TAIL_BYTES <= PlayoutPolicy::CONCEAL_BYTES);

// A report older than one block may miss a whole block played or a drain after a pause.
constexpr pa_usec_t STALE_REPORT_USEC = 62500;

constexpr uint32_t QUEUE_LIMIT_BYTES = PlayoutPolicy::LIMIT_BYTES;
static_assert(QUEUE_LIMIT_BYTES == PlaybackChannel::BLOCK_COUNT * PlaybackChannel::BLOCK_BYTES);

// Room for "15: " or a restore key's prefix, and a display name.
constexpr size_t STREAM_NAME_BYTES = 96;

// The sound server remembers a stream's volume and mute under a key, which PulseAudio takes
// from module-stream-restore.id and WirePlumber from the first of media.role, application.id
// and application.name it finds: without keys of their own, all sixteen streams share the
// application's one, and a volume set for one person applies to every slot next time. So each
// stream is keyed by its speaker's nickname and opened anew when the slot's speaker changes;
// a slot without a speaker has a key of its own, which WirePlumber neither saves nor restores.
struct StreamIdentity {
    char name[STREAM_NAME_BYTES];
    char restoreKey[STREAM_NAME_BYTES];
    char applicationId[STREAM_NAME_BYTES];
};

static void identify(StreamIdentity& identity, int slot, const char* displayName)
{
    if (displayName[0] == '\0') {
        std::snprintf(identity.name, sizeof identity.name, "Kovaro slot %d", slot);
        std::snprintf(identity.restoreKey, sizeof identity.restoreKey, "sink-input-by-kovaro-slot:%d", slot);
        std::snprintf(identity.applicationId, sizeof identity.applicationId, "kovaro.slot.%d", slot);
    } else {
        std::snprintf(identity.name, sizeof identity.name, "%d: %s", slot, displayName);
        std::snprintf(identity.restoreKey, sizeof identity.restoreKey, "sink-input-by-kovaro-speaker:%s", displayName);
        std::snprintf(identity.applicationId, sizeof identity.applicationId, "kovaro.speaker.%s", displayName);
    }
}

// A stream for the slot's speaker on the connection; null when the server refused. Lock held.
static pa_stream* newSlotStream(const AudioSystem& audio, const pa_sample_spec& sampleSpec, int slot,
                                const char* displayName)
{
    StreamIdentity identity;
    identify(identity, slot, displayName);
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, "module-stream-restore.id", identity.restoreKey);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, identity.applicationId);
    if (displayName[0] == '\0') {
        pa_proplist_sets(properties, "state.restore-props", "false");
    }
    pa_stream* stream =
        pa_stream_new_with_proplist(audio.state().context, identity.name, &sampleSpec, nullptr, properties);
    pa_proplist_free(properties);
    return stream;
}

// The concealment sits at the end of what was written, so it is what plays last.
static uint32_t speechOf(const PlaybackChannelState& channel, uint32_t queued)
{
    return queued - std::min(queued, channel.concealedBytes);
}

// Written and not yet played, by the last timing report moved on to now. Lock held.
static uint32_t queuedBytesLocked(const PlaybackChannelState& channel)
{
    const pa_timing_info* timing = pa_stream_get_timing_info(channel.stream);
    if (timing == nullptr || timing->write_index_corrupt || timing->read_index_corrupt) {
        // No report yet: assume nothing has played.
        return static_cast<uint32_t>(std::min<uint64_t>(channel.bytesWritten, UINT32_MAX));
    }
    int64_t readIndex = timing->read_index;
    if (timing->playing) {
        const pa_sample_spec* sampleSpec = pa_stream_get_sample_spec(channel.stream);
        // The sink mixes ahead of what is heard, by a phase of its render blocks set when the
        // stream starts. A server that rewinds takes that audio back when it is written over,
        // so there the queue runs from what is heard, whatever the phase.
        if (channel.rewinds) {
            readIndex -= static_cast<int64_t>(pa_usec_to_bytes(timing->sink_usec, sampleSpec));
        }
        timeval now;
        pa_gettimeofday(&now);
        if (pa_timeval_cmp(&now, &timing->timestamp) > 0) {
            const pa_usec_t sinceReport = pa_timeval_diff(&now, &timing->timestamp);
            readIndex += static_cast<int64_t>(pa_usec_to_bytes(sinceReport, sampleSpec));
        }
    }
    const int64_t queued = timing->write_index - readIndex;
    return queued > 0 ? static_cast<uint32_t>(std::min<int64_t>(queued, UINT32_MAX)) : 0;
}

// How much of the queued bytes the next write may move back over. Lock held.
static uint32_t replaceableLocked(const PlaybackChannelState& channel, uint32_t queued)
{
    // Without a report on PipeWire, nothing says how much the graph has taken already.
    return channel.rewinds || pa_stream_get_timing_info(channel.stream) != nullptr ? queued : 0;
}

// Hands count bytes to the stream, moving its write index by the channel's pending offset
// first: 0 or a negative error. Lock held.
static int queueLocked(void* state, const uint8_t* bytes, uint32_t count)
{
    auto& channel = *static_cast<PlaybackChannelState*>(state);
    if (count == 0) {
        return 0;
    }
    const int64_t offset = channel.nextOffset;
    if (pa_stream_write(channel.stream, bytes, count, nullptr, offset, PA_SEEK_RELATIVE) < 0) {
        return negativeError(pa_stream_get_context(channel.stream));
    }
    channel.nextOffset = 0;
    channel.bytesWritten = static_cast<uint64_t>(static_cast<int64_t>(channel.bytesWritten) + offset) + count;
    return 0;
}

// Wakes a writer waiting in awaitTimingLocked; userdata is the main loop.
static void signalOnTimingReport(pa_stream*, int, void* mainloop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

// Asks the server for a fresh timing report unless one is still on its way. Lock held.
static void requestTimingLocked(PlaybackChannelState& channel)
{
    if (channel.timingRequest != nullptr) {
        if (pa_operation_get_state(channel.timingRequest) == PA_OPERATION_RUNNING) {
            return;
        }
        pa_operation_unref(channel.timingRequest);
    }
    channel.timingRequest = pa_stream_update_timing_info(channel.stream, signalOnTimingReport, channel.mainloop);
}

// Waits until the server has answered a timing request. Lock held.
static void awaitTimingLocked(PlaybackChannelState& channel)
{
    requestTimingLocked(channel);
    while (channel.timingRequest != nullptr && pa_operation_get_state(channel.timingRequest) == PA_OPERATION_RUNNING &&
           PA_STREAM_IS_GOOD(pa_stream_get_state(channel.stream))) {
        pa_threaded_mainloop_wait(channel.mainloop);
    }
}

static bool reportIsStaleLocked(const PlaybackChannelState& channel)
{
    const pa_timing_info* timing = pa_stream_get_timing_info(channel.stream);
    if (timing == nullptr) {
        return true;
    }
    timeval now;
    pa_gettimeofday(&now);
    return pa_timeval_cmp(&now, &timing->timestamp) > 0 &&
           pa_timeval_diff(&now, &timing->timestamp) > STALE_REPORT_USEC;
}

static void dropTimingRequest(PlaybackChannelState& channel)
{
    if (channel.timingRequest == nullptr) {
        return;
    }
    MainloopLock lock(channel.mainloop);
    pa_operation_cancel(channel.timingRequest);
    pa_operation_unref(channel.timingRequest);
    channel.timingRequest = nullptr;
}

PlaybackChannel::PlaybackChannel() = default;

PlaybackChannel::~PlaybackChannel()
{
    close();
}

// The window is told only when the stream fails (WM_AUDIO_FAULT); nothing else is posted.
int PlaybackChannel::open(AudioSystem& audio, EventLoop* window, const PcmFormat& format, int slot)
{
    close();
    window_ = window;
    format_ = format;
    slot_ = slot;
    pa_sample_spec sampleSpec;
    if (const int refused = prepareStream(audio, format, sampleSpec); refused != 0) {
        return refused;
    }
    MainloopLock lock(audio.state().mainloop);
    pa_stream* stream = newSlotStream(audio, sampleSpec, slot, displayName_);
    if (stream == nullptr) {
        return negativeError(audio.state().context);
    }
    state_.watch = StreamWatch{audio.state().mainloop, window};
    pa_stream_set_state_callback(stream, watchStreamState, &state_.watch);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = TARGET_BYTES;
    attributes.prebuf = PREBUFFER_BYTES;
    attributes.minreq = REQUEST_BYTES;
    attributes.fragsize = static_cast<uint32_t>(-1);
    const auto flags = PA_STREAM_ADJUST_LATENCY;
    const int connected = pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr);
    if (const int result = finishConnecting(audio.state().mainloop, stream, connected); result != 0) {
        return result;
    }
    state_.mainloop = audio.state().mainloop;
    state_.stream = stream;
    state_.audio = &audio;
    state_.rewinds = !audio.state().pipeWire;
    state_.bytesWritten = 0;
    state_.concealedBytes = 0;
    playout_.reset();
    requestTimingLocked(state_);
    return 0;
}

int PlaybackChannel::write(const uint8_t* data, size_t length, const BlockArrival& arrival)
{
    if (state_.stream == nullptr) {
        return 0;
    }
    const uint32_t blockIndex = writeCount_ % BLOCK_COUNT;
    ++writeCount_;
    size_t count = std::min(length, static_cast<size_t>(BLOCK_BYTES));
    MainloopLock lock(state_.mainloop);
    count -= count % pa_frame_size(pa_stream_get_sample_spec(state_.stream));
    if (count == 0) {
        return 0;
    }
    uint32_t queued = queuedBytesLocked(state_);
    if (queued + count > QUEUE_LIMIT_BYTES && reportIsStaleLocked(state_)) {
        // The report may predate a pause in which the queue drained: refuse only on a fresh one.
        awaitTimingLocked(state_);
        queued = queuedBytesLocked(state_);
    }
    // Concealment the server cannot take back any more plays ahead of the block like speech.
    const uint32_t concealed = std::min(queued - speechOf(state_, queued), replaceableLocked(state_, queued));
    int16_t* samples = state_.blocks + blockIndex * (BLOCK_BYTES / 2);
    std::memcpy(samples, data, count);
    const PlayoutBlock block =
        arriveBlock(playout_, samples, static_cast<int>(count / 2), queued - concealed, concealed, arrival);
    if (block.decision.refused) {
        ++droppedWrites_;
        requestTimingLocked(state_);
        return -PA_ERR_BUSY;
    }
    int result = 0;
    if (block.sampleCount > 0) {
        // What follows starts where the kept concealment ends: the rest of it is overwritten.
        state_.nextOffset = -static_cast<int64_t>(concealed - block.decision.concealKeptBytes);
        result = queueLeadAndBlock(block, samples, queueLocked, &state_);
        state_.concealedBytes = 0;
        const uint32_t concealBytes =
            state_.rewinds ? block.decision.concealBytes : std::max(block.decision.concealBytes, PIPEWIRE_TAIL_BYTES);
        if (result == 0 && concealBytes > 0) {
            const int concealSamples = static_cast<int>(block.decision.concealBytes / 2);
            concealmentAfter(samples, block.sampleCount, state_.concealment, concealSamples);
            // Past the policy's concealment, the tail PipeWire needs is silence.
            std::memset(state_.concealment + concealSamples, 0, concealBytes - block.decision.concealBytes);
            result = queueLocked(&state_, reinterpret_cast<const uint8_t*>(state_.concealment), concealBytes);
            state_.concealedBytes = result == 0 ? concealBytes : 0;
        }
        state_.nextOffset = 0;
    }
    requestTimingLocked(state_);
    return result;
}

// The server applies a remembered volume only to a stream being created: a new speaker gets
// a stream of its own (what the old one still held was the last speaker's).
void PlaybackChannel::showDisplayName()
{
    if (state_.stream != nullptr) {
        reopen(*state_.audio);
    }
}

void PlaybackChannel::close()
{
    dropTimingRequest(state_);
    closeStream(state_.mainloop, state_.stream);
}

bool PlaybackChannel::isOpen() const
{
    return state_.stream != nullptr;
}

bool PlaybackChannel::isWorking() const
{
    if (state_.stream == nullptr) {
        return false;
    }
    MainloopLock lock(state_.mainloop);
    return pa_stream_get_state(state_.stream) == PA_STREAM_READY;
}

uint32_t PlaybackChannel::writeCount() const
{
    return writeCount_;
}

uint32_t PlaybackChannel::queuedBytes() const
{
    if (state_.stream == nullptr) {
        return 0;
    }
    MainloopLock lock(state_.mainloop);
    return speechOf(state_, queuedBytesLocked(state_));
}

uint32_t PlaybackChannel::droppedWrites() const
{
    return droppedWrites_;
}

const PlayoutPolicy& PlaybackChannel::playout() const
{
    return playout_;
}
