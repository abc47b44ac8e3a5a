#include "audio/playout_policy.h"

#include <algorithm>
#include <cstdint>

// The queue a block finds when it arrives is the cushion left for it: the latest blocks find
// the least. The policy keeps the lowest of those over the last WINDOW arrivals near
// floorBytes(): lower, and the next late block would find the queue empty; higher, and every
// sample waits longer than it needs. Jitter thus sets the cushion by itself: blocks that
// arrive early find more, the late ones the floor.
//
// - Grow: a quiet block that finds less than the floor gets more of itself ahead of it; a
//   block that finds the queue empty while blocks were arriving at the voice pace (a gap)
//   gets the cushion the recent spread of arrivals needs, and raises the floor by a step when
//   the block came less than a block and a half after the previous one (a late block, not one
//   after a lost frame).
// - Shrink: once the window has seen half a second, while its lowest queue sits above the
//   floor (and, until it has seen two seconds, above the spread remembered from before), quiet
//   blocks are cut, up to whole; a quarter of a second later loud blocks are shortened too
//   while the queue is more than two blocks too high, or, once it has stood more than a block
//   above the floor for 10 s, until it is back at its target. The window restarts when the queue ran
//   dry, and blocks that arrive in a burst are not entered, so the queue comes down within
//   about a second and a half of a burst after a stall.
// - The floor's boost falls back by a step after every 10 s without a gap.
// - Conceal: every block queued is followed by CONCEAL_BYTES of concealment (the channel
//   makes it), which the next block overwrites where it has not played yet. A block that
//   arrives while the concealment plays keeps what of it fits in its cushion, so a lost frame
//   is heard as the last one fading, not as a click into silence.
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
// Arrivals the window needs before it judges the queue too high (half a second).
constexpr int SHORT_WINDOW = 8;
// Blocks closer together than this came in a burst.
constexpr int64_t BURST_USEC = PlayoutPolicy::BLOCK_USEC / 4;
// A block this long after the previous one or longer follows a lost frame: one late by half a
// block or more is not told from one on time after a lost frame, and taken for that.
constexpr int64_t MISSING_USEC = PlayoutPolicy::BLOCK_USEC * 3 / 2;
// Arrivals above target before loud blocks are shortened, by at most half a block each, and
// only while the queue is more than two blocks above its target: nearer, the next pause in
// the speech takes the rest, unheard.
constexpr int LOUD_CUT_AFTER = 4;
constexpr uint32_t LOUD_CUT_LIMIT_BYTES = PlayoutPolicy::BLOCK_BYTES / 2;
constexpr uint32_t LOUD_SPARED_BYTES = 2 * PlayoutPolicy::BLOCK_BYTES;
// A queue that has stood more than a block above the floor for 10 s without a gap is not left
// to the next pause (one who talks on may make none): loud blocks are shortened too, until the
// queue is back at its target.
constexpr uint32_t HIGH_BYTES = PlayoutPolicy::BLOCK_BYTES;
constexpr int HIGH_ARRIVALS = 160;
// A loud cut is at least 10 ms long: a few ms at every block would be heard as roughness, and
// the splice needs room to find where the waveform repeats.
constexpr uint32_t LOUD_CUT_LEAST_BYTES = 160;
// The rebuilt cushion never exceeds half the channel's eight blocks.
constexpr uint32_t CUSHION_LIMIT_BYTES = 4 * PlayoutPolicy::BLOCK_BYTES;
// The remembered spread of arrivals decays by this much per arrival (2 ms a second).
constexpr uint32_t SPREAD_DECAY_BYTES = 2;
// The window leaves out its latest arrivals when it judges the queue and the spread, one for
// every half second it has seen and at most two: a frame now and then far later than the rest
// (held back on the way, reordered) is concealed rather than paid for with a cushion that
// delays every other frame.
constexpr int OUTLIERS_LEFT_OUT = 2;

static int64_t bytesOf(int64_t usec)
{
    return usec * 2 / 125;
}

// Cuts stay whole samples of 16 bits.
static uint32_t wholeSamples(uint32_t bytes)
{
    return bytes & ~1u;
}

PlayoutDecision PlayoutPolicy::arrive(int64_t nowUsec, uint32_t queuedBytes, uint32_t concealedBytes,
                                      uint32_t blockBytes, int peak, const BlockArrival& arrival)
{
    PlayoutDecision decision;
    decision.keepBytes = blockBytes;
    const bool resumed = started_;
    const int64_t previousUsec = lastArrivalUsec_;
    const int64_t sincePreviousUsec = nowUsec - previousUsec;
    const bool atVoicePace = started_ && sincePreviousUsec < PAUSE_USEC;
    const bool afterLostFrame = atVoicePace && sincePreviousUsec >= MISSING_USEC;
    started_ = true;
    lastArrivalUsec_ = nowUsec;
    orderKnown_ = arrival.predecessor != Predecessor::UNKNOWN;
    if (++arrivalsSinceGap_ >= BOOST_FADE_ARRIVALS) {
        boostBytes_ -= std::min(boostBytes_, BOOST_STEP_BYTES);
        arrivalsSinceGap_ = 0;
    }

    if (queuedBytes == 0) {
        // The queue ran dry: what arrives next starts a new schedule.
        if (atVoicePace)
            ++gaps_;
        if (atVoicePace && arrival.predecessor != Predecessor::UNKNOWN)
            return placeInOrder(decision, nowUsec, concealedBytes, arrival, resumed);
        if (atVoicePace) {
            // Less than a block and a half after the previous one, this block was late: more
            // floor would have covered it, and the time it kept the queue dry delays every later
            // block too, so it counts toward their cushion. A block after a lost frame came on
            // time and needs the whole cushion, which no floor would have spared this gap. How
            // long the queue was dry does not tell them apart: after a lost frame that is a block
            // less the cushion, under half a block once the spread of arrivals is above that.
            const int64_t dryBytes = bytesOf(std::max<int64_t>(0, nowUsec - dryFromUsec_));
            const int64_t lateBytes = !afterLostFrame && dryBytes < BLOCK_BYTES / 2 ? dryBytes : 0;
            if (lateBytes > 0) {
                boostBytes_ = std::min(boostBytes_ + BOOST_STEP_BYTES, BOOST_LIMIT_BYTES);
                arrivalsSinceGap_ = 0;
            }
            const uint32_t cushion =
                wholeSamples(static_cast<uint32_t>(std::max<int64_t>(0, cushionBytes() - lateBytes)));
            // Concealment still playing is the first part of the cushion, silence the rest: the
            // block starts where it would have after silence, and nothing of it is lost.
            decision.concealKeptBytes = std::min(concealedBytes, cushion);
            decision.leadBytes = cushion - decision.concealKeptBytes;
        }
        decision.fadeIn = resumed;
        windowCount_ = 0;
        aboveTarget_ = 0;
        return limited(decision, queuedBytes, concealedBytes);
    }

    // Blocks that come in a burst say nothing about the pace; they only fill the queue. Nor do
    // blocks reordered on the way: the one that came after its successor (reordering is no
    // jitter to keep a cushion for), and its successor, which waited for it.
    const bool reordered = arrival.afterSuccessor || arrival.heldUsec > 0;
    if (!reordered && (!atVoicePace || sincePreviousUsec >= BURST_USEC))
        remember(queuedBytes);
    const uint32_t floor = floorBytes();
    const bool quiet = peak <= QUIET_PEAK;
    // Until the window has seen two seconds, the spread remembered from before is kept too.
    const uint32_t reserve = windowCount_ == WINDOW ? 0 : spreadBytes_;
    uint32_t excess = 0;
    if (windowCount_ >= SHORT_WINDOW && windowLowest() > floor + reserve + HYSTERESIS_BYTES)
        excess = windowLowest() - floor - reserve;
    aboveTarget_ = excess > 0 ? aboveTarget_ + 1 : 0;
    const bool high = windowCount_ >= SHORT_WINDOW && windowLowest() > floor + HIGH_BYTES;
    highArrivals_ = high ? highArrivals_ + 1 : 0;
    descending_ = excess > 0 && (descending_ || highArrivals_ >= HIGH_ARRIVALS);
    const uint32_t spared = descending_ ? 0 : LOUD_SPARED_BYTES;

    uint32_t cut = 0;
    if (quiet)
        cut = std::min(excess, blockBytes);
    else if (aboveTarget_ > LOUD_CUT_AFTER && excess >= spared + LOUD_CUT_LEAST_BYTES)
        cut = std::min({excess - spared, blockBytes, LOUD_CUT_LIMIT_BYTES});
    cut = wholeSamples(cut);
    if (cut > 0) {
        decision.keepBytes = blockBytes - cut;
        trimmedBytes_ += cut;
        shiftWindow(-static_cast<int64_t>(cut));
    } else if (quiet && queuedBytes < floor) {
        decision.leadBytes = wholeSamples(floor - queuedBytes);
    }
    return limited(decision, queuedBytes, concealedBytes);
}

// A block after a dry queue whose place in the order is known: the block before it played (or
// was skipped), or was lost. Its moment is then known too: right after what was queued, or a
// block later after a lost one.
// - In time, it waits for its moment behind the concealment.
// - Behind it, right after the block before it, it is one of the rare late ones the window
//   leaves out: it plays with no more than the floor ahead of it, since any wait would delay
//   every later block as much, and the floor and the cushion stay as they are. More than
//   LATE_SKIP_USEC behind, it is skipped: the concealment takes its place and the next block
//   keeps to the schedule. Never two in a row, as a stall's frames all come late.
// - Behind its moment after a lost one, it gets the whole cushion, less what it was held.
PlayoutDecision PlayoutPolicy::placeInOrder(PlayoutDecision decision, int64_t nowUsec, uint32_t concealedBytes,
                                            const BlockArrival& arrival, bool resumed)
{
    const bool lost = arrival.predecessor == Predecessor::LOST;
    const int64_t momentUsec = dryFromUsec_ + (lost ? BLOCK_USEC : 0);
    const int64_t heldBytes = bytesOf(std::max<int64_t>(0, arrival.heldUsec));
    uint32_t wait = 0;
    if (momentUsec > nowUsec) {
        wait =
            wholeSamples(static_cast<uint32_t>(std::min<int64_t>(bytesOf(momentUsec - nowUsec), CUSHION_LIMIT_BYTES)));
    } else if (!lost && !skippedLast_ && nowUsec - momentUsec > LATE_SKIP_USEC) {
        skippedLast_ = true;
        ++skipped_;
        dryFromUsec_ = momentUsec + BLOCK_USEC;
        decision.keepBytes = 0;
        decision.concealKeptBytes = concealedBytes;
        return decision;
    } else if (lost) {
        wait = wholeSamples(static_cast<uint32_t>(std::max<int64_t>(0, cushionBytes() - heldBytes)));
    } else {
        const int64_t lateBytes = bytesOf(nowUsec - momentUsec);
        wait = wholeSamples(floorBytes() - static_cast<uint32_t>(std::min<int64_t>(floorBytes(), lateBytes)));
    }
    skippedLast_ = false;
    decision.concealKeptBytes = std::min(concealedBytes, wait);
    decision.leadBytes = wait - decision.concealKeptBytes;
    decision.fadeIn = resumed;
    windowCount_ = 0;
    aboveTarget_ = 0;
    return limited(decision, 0, concealedBytes);
}

// Keeps the channel within LIMIT_BYTES, concealment included: less lead, or no block at all.
// Whatever is not queued after all moves the window back. Concealment waiting after the
// previous block is overwritten only by a block that is queued.
PlayoutDecision PlayoutPolicy::limited(PlayoutDecision decision, uint32_t queuedBytes, uint32_t concealedBytes)
{
    const uint32_t room = LIMIT_BYTES - std::min(LIMIT_BYTES, queuedBytes + decision.concealKeptBytes);
    if (decision.keepBytes > room) {
        shiftWindow(-static_cast<int64_t>(decision.keepBytes));
        decision.keepBytes = 0;
        decision.leadBytes = 0;
        decision.refused = true;
    }
    if (decision.keepBytes == 0) {
        decision.concealKeptBytes = concealedBytes;
        decision.leadBytes = 0;
    }
    decision.leadBytes = std::min(decision.leadBytes, room - decision.keepBytes);
    if (decision.keepBytes > 0)
        decision.concealBytes = std::min(CONCEAL_BYTES, room - decision.keepBytes - decision.leadBytes);
    const uint32_t ahead = decision.keepBytes > 0 ? decision.concealKeptBytes + decision.leadBytes : 0;
    shiftWindow(ahead);
    dryFromUsec_ = lastArrivalUsec_ + usecOfBytes(static_cast<int64_t>(queuedBytes) + ahead + decision.keepBytes);
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
    spreadBytes_ = std::max(windowFall(), spreadBytes_ - std::min(spreadBytes_, SPREAD_DECAY_BYTES));
}

void PlayoutPolicy::shiftWindow(int64_t bytes)
{
    for (int i = 0; i < windowCount_; ++i)
        window_[(windowNext_ - 1 - i + WINDOW) % WINDOW] += bytes;
}

// The (leftOut + 1)-th smallest of the values offered: the smallest once the leftOut smallest
// are set aside as outliers.
class SmallestBut {
public:
    explicit SmallestBut(int leftOut) : kept_(leftOut + 1) {}

    void offer(int64_t value)
    {
        for (int i = 0; i < kept_; ++i) {
            if (value < smallest_[i])
                std::swap(value, smallest_[i]);
        }
    }

    int64_t value() const { return smallest_[kept_ - 1]; }

private:
    int kept_;
    int64_t smallest_[OUTLIERS_LEFT_OUT + 1] = {INT64_MAX, INT64_MAX, INT64_MAX};
};

// Only where the order is known are the latest arrivals left out: there a late one is placed by
// its moment or skipped. Without it, the lowest arrivals are all that keeps the queue from
// running dry (on PipeWire, whose reports move in whole cycles, leaving them out let a sender 2 %
// too fast run the queue dry).
int PlayoutPolicy::outliersLeftOut() const
{
    return orderKnown_ ? std::min(OUTLIERS_LEFT_OUT, windowCount_ / SHORT_WINDOW) : 0;
}

// The lowest entry, never below 0, but for the outliers left out.
uint32_t PlayoutPolicy::windowLowest() const
{
    SmallestBut lowest(outliersLeftOut());
    for (int i = 0; i < windowCount_; ++i)
        lowest.offer(window_[(windowNext_ - 1 - i + WINDOW) % WINDOW]);
    return lowest.value() == INT64_MAX || lowest.value() < 0 ? 0 : static_cast<uint32_t>(lowest.value());
}

// How far the queue found fell below what an earlier arrival of the window found: how much
// later than that one a block came (the deepest fall but the outliers'). A
// queue that rose and stayed up (blocks released after a hiccup, too far apart to count as a
// burst) is no fall: it needs no cushion, and once remembered it would put the whole rise ahead
// of the block after every later gap.
uint32_t PlayoutPolicy::windowFall() const
{
    int64_t highestBefore = INT64_MIN;
    SmallestBut deepest(outliersLeftOut());
    for (int i = windowCount_ - 1; i >= 0; --i) {
        const int64_t found = window_[(windowNext_ - 1 - i + WINDOW) % WINDOW];
        if (highestBefore != INT64_MIN)
            deepest.offer(found - highestBefore);
        highestBefore = std::max(highestBefore, found);
    }
    return deepest.value() == INT64_MAX || deepest.value() >= 0 ? 0 : static_cast<uint32_t>(-deepest.value());
}
