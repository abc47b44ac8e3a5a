#include "audio/playout_policy.h"

#include <algorithm>
#include <cstdint>

// The queue a block finds when it arrives is the cushion left for it: the latest blocks find
// the least. The policy keeps the lowest of those over the last WINDOW arrivals near
// floorBytes(): lower, and the next late block would find the queue empty; higher, and every
// sample waits longer than it needs. Jitter thus sets the cushion by itself: blocks that
// arrive early find more, the late ones the floor.
//
// - Grow: a quiet block that finds less than the floor gets silence ahead of it; a block
//   that finds the queue empty while blocks were arriving at the voice pace (a gap) raises
//   the floor by a step and gets the cushion the recent spread of arrivals needs.
// - Shrink: while the window's lowest queue sits above the floor, quiet blocks are cut (up to
//   whole); after half a second above it loud blocks are shortened too, by at most half a
//   block. A short window brings the queue down at once after a burst.
// - The floor's boost falls back by a step after every 10 s without a gap.
//
// Entries of the window are the queue each arrival found, moved by every cut and every lead
// since, so that they stay comparable with what the next arrival will find.

// Bytes of the window's lowest queue above the floor that are left alone (10 ms).
constexpr uint32_t HYSTERESIS_BYTES = 160;
// The floor grows by 5 ms with each gap, up to a block, and falls back every 10 s without one.
constexpr uint32_t BOOST_STEP_BYTES = 80;
constexpr uint32_t BOOST_LIMIT_BYTES = PlayoutPolicy::BLOCK_BYTES;
constexpr int BOOST_FADE_ARRIVALS = 160;
// A queue that ran dry after a longer pause is a new start (a stall, a speaker back), not jitter.
constexpr int64_t PAUSE_USEC = 4 * PlayoutPolicy::BLOCK_USEC;
// The newest arrivals; when all of them found more than a block above the floor, a burst is
// being played out and the excess goes at once.
constexpr int SHORT_WINDOW = 8;
// Arrivals above target before loud blocks are shortened, and by how much at most.
constexpr int LOUD_CUT_AFTER = 8;
constexpr uint32_t LOUD_CUT_LIMIT_BYTES = PlayoutPolicy::BLOCK_BYTES / 2;
// The rebuilt cushion never exceeds half the channel's eight blocks.
constexpr uint32_t CUSHION_LIMIT_BYTES = 4 * PlayoutPolicy::BLOCK_BYTES;
// The remembered spread of arrivals decays by this much per arrival (2 ms a second).
constexpr uint32_t SPREAD_DECAY_BYTES = 2;

// Cuts stay whole samples of 16 bits.
static uint32_t wholeSamples(uint32_t bytes)
{
    return bytes & ~1u;
}

PlayoutDecision PlayoutPolicy::arrive(int64_t nowUsec, uint32_t queuedBytes, uint32_t blockBytes, int peak)
{
    PlayoutDecision decision;
    decision.keepBytes = blockBytes;
    const bool resumed = started_;
    const bool atVoicePace = started_ && nowUsec - lastArrivalUsec_ < PAUSE_USEC;
    started_ = true;
    lastArrivalUsec_ = nowUsec;
    if (++arrivalsSinceGap_ >= BOOST_FADE_ARRIVALS) {
        boostBytes_ -= std::min(boostBytes_, BOOST_STEP_BYTES);
        arrivalsSinceGap_ = 0;
    }

    if (queuedBytes == 0) {
        // The queue ran dry: what arrives next starts a new schedule.
        if (atVoicePace) {
            ++gaps_;
            boostBytes_ = std::min(boostBytes_ + BOOST_STEP_BYTES, BOOST_LIMIT_BYTES);
            arrivalsSinceGap_ = 0;
            decision.leadBytes = cushionBytes();
        }
        decision.fadeIn = resumed;
        windowCount_ = 0;
        aboveTarget_ = 0;
        return decision;
    }

    remember(queuedBytes);
    const uint32_t floor = floorBytes();
    const bool quiet = peak <= QUIET_PEAK;
    uint32_t excess = 0;
    if (windowCount_ == WINDOW && windowLowest(WINDOW) > floor + HYSTERESIS_BYTES)
        excess = windowLowest(WINDOW) - floor;
    if (windowCount_ >= SHORT_WINDOW && windowLowest(SHORT_WINDOW) > floor + BLOCK_BYTES)
        excess = std::max(excess, windowLowest(SHORT_WINDOW) - floor - BLOCK_BYTES / 2);
    aboveTarget_ = excess > 0 ? aboveTarget_ + 1 : 0;

    uint32_t cut = 0;
    if (quiet)
        cut = std::min(excess, blockBytes);
    else if (aboveTarget_ > LOUD_CUT_AFTER)
        cut = std::min({excess, blockBytes, LOUD_CUT_LIMIT_BYTES});
    cut = wholeSamples(cut);
    if (cut > 0) {
        decision.keepBytes = blockBytes - cut;
        trimmedBytes_ += cut;
        shiftWindow(-static_cast<int64_t>(cut));
    } else if (quiet && queuedBytes < floor) {
        decision.leadBytes = wholeSamples(floor - queuedBytes);
        shiftWindow(decision.leadBytes);
    }
    return decision;
}

uint32_t PlayoutPolicy::cushionBytes() const
{
    return wholeSamples(std::min(floorBytes() + spreadBytes_, CUSHION_LIMIT_BYTES));
}

void PlayoutPolicy::remember(uint32_t queuedBytes)
{
    window_[windowNext_] = static_cast<int64_t>(queuedBytes);
    windowNext_ = (windowNext_ + 1) % WINDOW;
    windowCount_ = std::min(windowCount_ + 1, WINDOW);
    if (windowCount_ < SHORT_WINDOW)
        return;
    const int64_t spread = windowHighest() - windowLowest(windowCount_);
    spreadBytes_ = std::max(static_cast<uint32_t>(spread), spreadBytes_ - std::min(spreadBytes_, SPREAD_DECAY_BYTES));
}

void PlayoutPolicy::shiftWindow(int64_t bytes)
{
    for (int i = 0; i < windowCount_; ++i)
        window_[(windowNext_ - 1 - i + WINDOW) % WINDOW] += bytes;
}

// The lowest of the newest `count` entries, never below 0.
uint32_t PlayoutPolicy::windowLowest(int count) const
{
    int64_t lowest = INT64_MAX;
    for (int i = 0; i < std::min(count, windowCount_); ++i)
        lowest = std::min(lowest, window_[(windowNext_ - 1 - i + WINDOW) % WINDOW]);
    return lowest == INT64_MAX || lowest < 0 ? 0 : static_cast<uint32_t>(lowest);
}

int64_t PlayoutPolicy::windowHighest() const
{
    int64_t highest = 0;
    for (int i = 0; i < windowCount_; ++i)
        highest = std::max(highest, window_[(windowNext_ - 1 - i + WINDOW) % WINDOW]);
    return highest;
}
