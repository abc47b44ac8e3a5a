#include "conference/voice_playback.h"

#include <algorithm>
#include <cstring>

#include "audio/audio_clock.h"
#include "codec/adpcm_codec.h"
#include "conference/nickname_text.h"
#include "conference/worker_events.h"
#include "resources/control_ids.h"

// A held frame is released this much before its hold would let its predecessor be skipped: the
// timer and the write take a moment.
constexpr int64_t RELEASE_MARGIN_USEC = 5000;

bool VoicePlayback::receive(const VoiceFrame& frame, int slot)
{
    int16_t samples[SAMPLES_PER_FRAME];
    AdpcmState end;
    if (decodeReceivedFrame(samples, SAMPLES_PER_FRAME, frame, &end) < 0)
        return false;

    const int64_t nowUsec = monotonicUsec();
    FrameOrder& order = order_[slot];
    const FrameArrival arrival = order.arrive(startStateOf(frame), end);
    bool written = false;
    // A held frame released by another one ahead of a gap waited in vain for its predecessor.
    if (arrival.heldFirst)
        written |= playHeld(slot, nowUsec, Predecessor::LOST);
    if (arrival.fate == FrameFate::HOLD && order.holdFor(nowUsec, holdUsecFor(slot))) {
        std::memcpy(held_[slot].samples, samples, sizeof samples);
        held_[slot].level = frame.level;
    } else if (arrival.fate != FrameFate::DROP) {
        // Played at once, it continues the last frame; after a refused hold it follows a loss.
        const Predecessor predecessor = arrival.fate == FrameFate::PLAY ? Predecessor::PLAYED : Predecessor::LOST;
        written |= play(slot, samples, frame.level, BlockArrival{0, arrival.heldAfter, predecessor});
    }
    if (arrival.heldAfter)
        written |= playHeld(slot, nowUsec, Predecessor::PLAYED);
    scheduleRelease(nowUsec);
    return written;
}

void VoicePlayback::releaseDue()
{
    const int64_t nowUsec = monotonicUsec();
    for (int slot = 0; slot < static_cast<int>(SLOT_COUNT); ++slot) {
        if (order_[slot].holding() && order_[slot].heldUntilUsec() <= nowUsec) {
            order_[slot].releaseHeld();
            playHeld(slot, nowUsec, Predecessor::LOST);
        }
    }
    scheduleRelease(nowUsec);
}

void VoicePlayback::forget(int slot)
{
    order_[slot].reset();
    scheduleRelease(monotonicUsec());
}

bool VoicePlayback::play(int slot, const int16_t* samples, uint8_t level, const BlockArrival& arrival)
{
    // A frame from the network may claim more than the meter's top.
    view_.meter(IDC_SLOT_METER_BASE + slot, std::min<int>(level, METER_FULL_SCALE));
    if (mutes_.receiveMute() != 0 || mutes_.slotMute[slot] != 0)
        return false;
    channels_[slot].write(reinterpret_cast<const uint8_t*>(samples), SAMPLES_PER_FRAME * 2, arrival);
    return true;
}

// The order has already counted the held frame as played.
bool VoicePlayback::playHeld(int slot, int64_t nowUsec, Predecessor predecessor)
{
    const HeldFrame& held = held_[slot];
    return play(slot, held.samples, held.level,
                BlockArrival{nowUsec - order_[slot].heldSinceUsec(), false, predecessor});
}

int64_t VoicePlayback::holdUsecFor(int slot) const
{
    const PlaybackChannel& channel = channels_[slot];
    if (!channel.isOpen())
        return 0;
    // The missing frame's moment comes when the speech queued has played; arriving later than
    // LATE_SKIP_USEC after it, it would be skipped anyway, and the held frame then plays at
    // its own moment, a block later, as after a loss.
    return PlayoutPolicy::usecOfBytes(channel.queuedBytes()) + PlayoutPolicy::LATE_SKIP_USEC - RELEASE_MARGIN_USEC;
}

void VoicePlayback::scheduleRelease(int64_t nowUsec)
{
    int64_t earliestUsec = INT64_MAX;
    for (const FrameOrder& order : order_) {
        if (order.holding())
            earliestUsec = std::min(earliestUsec, order.heldUntilUsec());
    }
    if (earliestUsec == INT64_MAX) {
        if (loop_.isTimerRunning(TIMER_VOICE_HOLD))
            loop_.killTimer(TIMER_VOICE_HOLD);
        return;
    }
    const int64_t waitMs = std::max<int64_t>(1, (earliestUsec - nowUsec + 999) / 1000);
    loop_.setTimer(TIMER_VOICE_HOLD, static_cast<uint32_t>(waitMs));
}

void showSlotNickname(int slot, const uint8_t* nickname, PlaybackChannel* channels, MainWindowView& view)
{
    char utf8[NICKNAME_UTF8_CAPACITY];
    nicknameToUtf8(nickname, utf8);
    view.controlText(IDC_SLOT_NAME_BASE + slot, utf8);
    channels[slot].setDisplayName(utf8);
}

void clearSlotRows(MainWindowView& view)
{
    for (int slot = 0; slot < static_cast<int>(SLOT_COUNT); ++slot) {
        view.meter(IDC_SLOT_METER_BASE + slot, 0);
        view.controlText(IDC_SLOT_NAME_BASE + slot, "");
    }
}
