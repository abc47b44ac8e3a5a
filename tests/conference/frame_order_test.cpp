// Telling the order of one speaker's frames from the coder states they start and end in.

#include <gtest/gtest.h>

#include "conference/frame_order.h"

namespace {

// Frame n of a made-up speaker starts in state n and ends in state n + 1.
AdpcmState state(int n)
{
    return {1000 + 37 * n, 20 + n % 50};
}

struct Frames {
    FrameOrder order;
    int64_t nowUsec = 0;

    FrameArrival arrive(int n, int64_t holdUsec = 40000)
    {
        nowUsec += 62500;
        FrameArrival arrival = order.arrive(state(n), state(n + 1));
        if (arrival.fate == FrameFate::HOLD && !order.holdFor(nowUsec, holdUsec))
            arrival.fate = FrameFate::PLAY;
        return arrival;
    }
};

bool playsAlone(const FrameArrival& arrival)
{
    return arrival.fate == FrameFate::PLAY && !arrival.heldFirst && !arrival.heldAfter;
}

}  // namespace

TEST(FrameOrderTest, FramesInOrderPlayAtOnceAndASwappedPairInTheOrderItWasCoded)
{
    Frames frames;
    for (int n = 0; n < 2; ++n)
        EXPECT_TRUE(playsAlone(frames.arrive(n))) << n;
    EXPECT_EQ(frames.arrive(3).fate, FrameFate::HOLD) << "2 is missing";
    EXPECT_EQ(frames.order.heldUntilUsec(), frames.nowUsec + 40000);

    const FrameArrival missing = frames.arrive(2);
    EXPECT_EQ(missing.fate, FrameFate::PLAY);
    EXPECT_FALSE(missing.heldFirst);
    EXPECT_TRUE(missing.heldAfter) << "3 right after 2";
    EXPECT_FALSE(frames.order.holding());
    EXPECT_TRUE(playsAlone(frames.arrive(4)));
}

TEST(FrameOrderTest, AfterALossTheNextFrameWaitsOnlyItsHoldAndALateArrivalIsDropped)
{
    Frames frames;
    frames.arrive(0);
    EXPECT_EQ(frames.arrive(2, 500000).fate, FrameFate::HOLD);
    EXPECT_EQ(frames.order.heldUntilUsec(), frames.nowUsec + FrameOrder::HOLD_LIMIT_USEC) << "bounded";
    frames.order.releaseHeld();

    EXPECT_TRUE(playsAlone(frames.arrive(3))) << "3 continues 2, played when its hold ended";
    EXPECT_EQ(frames.arrive(1).fate, FrameFate::DROP) << "1 came after its successor played";
    EXPECT_EQ(frames.order.dropped(), 1u);

    EXPECT_EQ(frames.arrive(5, 0).fate, FrameFate::PLAY) << "no time to wait: played at once";
    EXPECT_TRUE(playsAlone(frames.arrive(6)));
}

TEST(FrameOrderTest, ASecondFrameAheadOfAGapReleasesTheHeldOne)
{
    Frames frames;
    frames.arrive(0);
    EXPECT_EQ(frames.arrive(2).fate, FrameFate::HOLD);
    const FrameArrival next = frames.arrive(3);
    EXPECT_TRUE(next.heldFirst);
    EXPECT_EQ(next.fate, FrameFate::PLAY) << "3 continues 2";

    EXPECT_EQ(frames.arrive(5).fate, FrameFate::HOLD);
    const FrameArrival beyond = frames.arrive(7);
    EXPECT_TRUE(beyond.heldFirst);
    EXPECT_EQ(beyond.fate, FrameFate::HOLD) << "7 does not continue 5 either";
}

TEST(FrameOrderTest, RepeatsAreDroppedWhetherPlayedOrHeldButAChanceMatchOfOneStateIsNot)
{
    Frames frames;
    frames.arrive(0);
    frames.arrive(1);
    EXPECT_EQ(frames.arrive(1).fate, FrameFate::DROP);
    EXPECT_EQ(frames.arrive(0).fate, FrameFate::DROP);
    EXPECT_EQ(frames.arrive(3).fate, FrameFate::HOLD);
    EXPECT_EQ(frames.arrive(3).fate, FrameFate::DROP);
    EXPECT_TRUE(frames.order.holding()) << "the first copy still waits for 2";
    EXPECT_EQ(frames.order.dropped(), 3u);

    // One state matching by chance decides nothing: a frame starting where 1 did but ending
    // somewhere new is a frame ahead of a gap, and one continuing the last plays whatever its end.
    Frames chance;
    chance.arrive(0);
    chance.arrive(1);
    EXPECT_EQ(chance.order.arrive(state(1), state(30)).fate, FrameFate::HOLD);
    chance.order.releaseHeld();
    EXPECT_EQ(chance.order.arrive(state(30), state(1)).fate, FrameFate::PLAY);
}

TEST(FrameOrderTest, AFrameFromAResetCoderAlwaysPlays)
{
    Frames frames;
    frames.arrive(0);
    frames.arrive(1);
    const AdpcmState reset{};
    const FrameArrival afterMute = frames.order.arrive(reset, state(40));
    EXPECT_TRUE(playsAlone(afterMute));
    EXPECT_TRUE(playsAlone(frames.arrive(40)));
    EXPECT_TRUE(playsAlone(frames.order.arrive(reset, state(60)))) << "a second reset, as after a new connect";
}
