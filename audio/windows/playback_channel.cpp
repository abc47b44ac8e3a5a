#include "audio/playback_channel.h"

#include <algorithm>
#include <cstring>

#include "audio/audio_clock.h"
#include "audio/audio_system.h"
#include "audio/playout_block.h"
#include "wave_device.h"

// Each channel is a wave-out device of its own on the default output, so the system mixes the
// sixteen slots.
//
// Playout: every block passes the slot's PlayoutPolicy as on every system
// (audio/playout_block.h), which may put silence or more of a quiet block ahead of it, cut it
// or ramp it in. The concealment the policy asks for after each block is not queued here: a
// wave-out device plays every header it is given, and one cannot be taken back when the next
// block comes on time, so concealment would delay every later block by its length. A late or
// lost block is heard as silence, and the block after it is ramped in.
//
// Bounded queue: a channel holds at most BLOCK_COUNT blocks (0.5 s) in its ring of headers of
// at most BLOCK_BYTES each. A write that would exceed that, or that finds too few headers the
// device is done with, is dropped and counted; the audio already queued plays on untouched and
// no header is reused before the device is done with it.
//
// The device gets no callback: the next write sees from a header's done flag that it is free,
// and unprepares it then, so no MM_WOM_DONE notification is needed.

static bool headerIsFree(const WAVEHDR& header)
{
    const DWORD flags = headerFlags(header);
    return (flags & WHDR_PREPARED) == 0 || (flags & WHDR_DONE) != 0;
}

// Headers free in turn from the next one.
static int freeHeaders(const PlaybackChannelState& channel)
{
    int count = 0;
    while (count < PLAYBACK_BLOCK_COUNT &&
           headerIsFree(channel.headers[(channel.nextHeader + count) % PLAYBACK_BLOCK_COUNT])) {
        ++count;
    }
    return count;
}

static int headersFor(uint32_t bytes)
{
    return static_cast<int>((bytes + PLAYBACK_BLOCK_BYTES - 1) / PLAYBACK_BLOCK_BYTES);
}

// What is queued, the larger of two estimates. The device's byte position may count audio as
// played once the driver has passed it on to the system's mixer (Wine does), which leaves
// what the mixer still holds out; the time the queued audio takes to play from when it was
// written counts that too, but not a break in the playing. Either one alone found the queue
// empty while audio was still playing, which the playout policy takes for a gap.
static uint32_t queuedBytesNow(const PlaybackChannelState& channel)
{
    const int64_t ahead = std::max<int64_t>(channel.playedByUsec - monotonicUsec(), 0);
    const auto timed = static_cast<uint32_t>(ahead * channel.bytesPerSecond / 1000000);
    MMTIME position{};
    position.wType = TIME_BYTES;
    if (waveOutGetPosition(channel.handle, &position, sizeof position) != MMSYSERR_NOERROR ||
        position.wType != TIME_BYTES) {
        return timed;
    }
    const uint32_t counted = channel.bytesWritten - static_cast<uint32_t>(position.u.cb);
    // A position past what was written (a fault of the driver) counts as nothing queued.
    return std::max(timed, counted <= PlayoutPolicy::LIMIT_BYTES ? counted : 0);
}

static void releaseHeader(PlaybackChannelState& channel, WAVEHDR& header)
{
    if ((headerFlags(header) & WHDR_PREPARED) != 0) {
        waveOutUnprepareHeader(channel.handle, &header, sizeof header);
    }
    header.dwFlags = 0;
}

// Hands the header being filled to the device: 0 or a negative error.
static int queueFilled(PlaybackChannelState& channel)
{
    if (channel.filling < 0) {
        return 0;
    }
    WAVEHDR& header = channel.headers[channel.filling];
    channel.filling = -1;
    MMRESULT result = waveOutPrepareHeader(channel.handle, &header, sizeof header);
    if (result == MMSYSERR_NOERROR) {
        result = waveOutWrite(channel.handle, &header, sizeof header);
    }
    if (result != MMSYSERR_NOERROR) {
        releaseHeader(channel, header);
        return checkWaveResult(result, channel.gone, channel.window);
    }
    channel.bytesWritten += header.dwBufferLength;
    const int64_t playsFor = static_cast<int64_t>(header.dwBufferLength) * 1000000 / channel.bytesPerSecond;
    channel.playedByUsec = std::max(channel.playedByUsec, monotonicUsec()) + playsFor;
    return 0;
}

// Copies count bytes into the headers in turn, queuing each one that fills up. The caller has
// made sure that enough headers are free.
static int appendBytes(void* state, const uint8_t* bytes, uint32_t count)
{
    auto& channel = *static_cast<PlaybackChannelState*>(state);
    while (count > 0) {
        if (channel.filling < 0) {
            channel.filling = channel.nextHeader;
            channel.nextHeader = (channel.nextHeader + 1) % PLAYBACK_BLOCK_COUNT;
            WAVEHDR& header = channel.headers[channel.filling];
            releaseHeader(channel, header);
            header.lpData = reinterpret_cast<LPSTR>(channel.buffers + channel.filling * PLAYBACK_BLOCK_BYTES);
            header.dwBufferLength = 0;
            header.dwLoops = 1;
        }
        WAVEHDR& header = channel.headers[channel.filling];
        const uint32_t part = std::min<uint32_t>(count, PLAYBACK_BLOCK_BYTES - header.dwBufferLength);
        std::memcpy(header.lpData + header.dwBufferLength, bytes, part);
        header.dwBufferLength += part;
        bytes += part;
        count -= part;
        if (header.dwBufferLength == PLAYBACK_BLOCK_BYTES) {
            if (const int result = queueFilled(channel); result != 0) {
                return result;
            }
        }
    }
    return 0;
}

PlaybackChannel::PlaybackChannel() = default;

PlaybackChannel::~PlaybackChannel()
{
    close();
}

// Notifications are not needed (see above): the window is told only when the device is found
// gone. Wave-out devices carry no name, so the slot is kept only for reopen().
int PlaybackChannel::open(AudioSystem& audio, EventLoop* window, const PcmFormat& format, int slot)
{
    close();
    window_ = window;
    format_ = format;
    slot_ = slot;
    state_.window = window;
    state_.gone = false;
    WAVEFORMATEX waveFormat{};
    if (const int refused = prepareWaveFormat(audio, format, waveFormat); refused != 0) {
        return refused;
    }
    const MMRESULT result = waveOutOpen(&state_.handle, WAVE_MAPPER, &waveFormat, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        state_.handle = nullptr;
        return negativeResult(result);
    }
    state_.blockAlign = std::max<uint16_t>(format.blockAlign, 1);
    state_.bytesPerSecond = std::max<uint32_t>(format.averageBytesPerSecond, 1);
    state_.bytesWritten = 0;
    state_.playedByUsec = 0;
    state_.nextHeader = 0;
    state_.filling = -1;
    playout_.reset();
    return 0;
}

int PlaybackChannel::write(const uint8_t* data, size_t length, const BlockArrival& arrival)
{
    if (state_.handle == nullptr) {
        return 0;
    }
    ++writeCount_;
    size_t count = std::min(length, static_cast<size_t>(BLOCK_BYTES));
    count -= count % state_.blockAlign;
    if (count == 0) {
        return 0;
    }
    std::memcpy(state_.block, data, count);
    // Nothing is queued after the speech, so the queue holds no concealment.
    const PlayoutBlock block =
        arriveBlock(playout_, state_.block, static_cast<int>(count / 2), queuedBytesNow(state_), 0, arrival);
    const uint32_t bytes = block.decision.leadBytes + static_cast<uint32_t>(block.sampleCount) * 2;
    if (block.decision.refused || (block.sampleCount > 0 && headersFor(bytes) > freeHeaders(state_))) {
        ++droppedWrites_;
        return negativeResult(WAVERR_STILLPLAYING);
    }
    const int result = queueLeadAndBlock(block, state_.block, appendBytes, &state_);
    const int last = queueFilled(state_);
    return result != 0 ? result : last;
}

// Wave-out devices have no name that the system's mixer shows: there is nothing to rename.
void PlaybackChannel::showDisplayName()
{
}

void PlaybackChannel::close()
{
    if (state_.handle == nullptr) {
        return;
    }
    // Queued blocks are not waited for.
    waveOutReset(state_.handle);
    for (WAVEHDR& header : state_.headers) {
        releaseHeader(state_, header);
    }
    waveOutClose(state_.handle);
    state_.handle = nullptr;
}

bool PlaybackChannel::isOpen() const
{
    return state_.handle != nullptr;
}

// The sixteen channels share one output: when one finds it gone, the others learn it only
// at their next write, which a silent slot may never make. Asking each device where it is
// finds them all, so that they are opened again together.
bool PlaybackChannel::isWorking() const
{
    if (state_.handle == nullptr || state_.gone) {
        return false;
    }
    MMTIME position{};
    position.wType = TIME_BYTES;
    return !isDeviceGone(waveOutGetPosition(state_.handle, &position, sizeof position));
}

uint32_t PlaybackChannel::writeCount() const
{
    return writeCount_;
}

uint32_t PlaybackChannel::queuedBytes() const
{
    return state_.handle == nullptr ? 0 : queuedBytesNow(state_);
}

uint32_t PlaybackChannel::droppedWrites() const
{
    return droppedWrites_;
}

const PlayoutPolicy& PlaybackChannel::playout() const
{
    return playout_;
}
