#include "conference/frame_order.h"

#include <algorithm>

// The state a coder starts in after a reset: a new connect or the end of a mute.
static constexpr AdpcmState RESET_STATE{};

FrameArrival FrameOrder::arrive(AdpcmState start, AdpcmState end)
{
    FrameArrival arrival;
    if (continuesPlayed(start)) {
        played(start, end);
        if (holding_ && heldStart_ == end) {
            releaseHeld();
            arrival.heldAfter = true;
        }
        return arrival;
    }
    // Two states must match to take a frame for one already passed: one alone repeats by
    // chance far too often in quiet passages.
    if (playedAlready(start, end) || (holding_ && heldStart_ == start && heldEnd_ == end)) {
        ++dropped_;
        arrival.fate = FrameFate::DROP;
        return arrival;
    }
    // A second frame ahead of a gap: the one held waits no longer, and this one may continue it.
    if (holding_) {
        releaseHeld();
        arrival.heldFirst = true;
        if (continuesPlayed(start)) {
            played(start, end);
            return arrival;
        }
    }
    holding_ = true;
    heldStart_ = start;
    heldEnd_ = end;
    arrival.fate = FrameFate::HOLD;
    return arrival;
}

bool FrameOrder::holdFor(int64_t nowUsec, int64_t holdUsec)
{
    if (holdUsec <= 0) {
        releaseHeld();
        return false;
    }
    heldSinceUsec_ = nowUsec;
    heldUntilUsec_ = nowUsec + std::min(holdUsec, HOLD_LIMIT_USEC);
    return true;
}

void FrameOrder::releaseHeld()
{
    if (!holding_)
        return;
    holding_ = false;
    played(heldStart_, heldEnd_);
}

bool FrameOrder::continuesPlayed(AdpcmState start) const
{
    return playedCount_ == 0 || start == RESET_STATE || start == ends_[newest_];
}

bool FrameOrder::playedAlready(AdpcmState start, AdpcmState end) const
{
    const int count = playedCount_;
    const auto known = [&](AdpcmState state) {
        for (int i = 0; i < count; ++i) {
            if (starts_[i] == state || ends_[i] == state)
                return true;
        }
        return false;
    };
    return known(start) && known(end);
}

void FrameOrder::played(AdpcmState start, AdpcmState end)
{
    newest_ = playedCount_ == 0 ? 0 : (newest_ + 1) % HISTORY;
    starts_[newest_] = start;
    ends_[newest_] = end;
    playedCount_ = std::min(playedCount_ + 1, HISTORY);
}
