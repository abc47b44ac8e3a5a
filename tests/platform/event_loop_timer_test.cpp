#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/platform/event_recorder.h"

namespace {

class EventLoopTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        loop.setClock(clock);
        recorder.attach(loop);
    }

    // Moves time on and returns the events that became ready, then forgets them.
    std::vector<RecordedEvent> advanceAndRun(uint64_t ms)
    {
        clock.advance(ms);
        loop.runUntilIdle();
        return std::exchange(recorder.events, {});
    }

    ManualClock clock{50000};
    EventLoop loop;
    EventRecorder recorder;
};

const std::vector<RecordedEvent> none;

TEST_F(EventLoopTimerTest, ExpiresOncePerPeriodAndNotBefore)
{
    loop.setTimer(16, 2000);
    EXPECT_TRUE(loop.isTimerRunning(16));
    EXPECT_EQ(advanceAndRun(1999), none);
    EXPECT_EQ(advanceAndRun(1), std::vector{timerEvent(16)});
    EXPECT_EQ(advanceAndRun(0), none);
    EXPECT_EQ(advanceAndRun(1999), none);
    EXPECT_EQ(advanceAndRun(1), std::vector{timerEvent(16)});
}

TEST_F(EventLoopTimerTest, PeriodsMissedWhileIdleGiveOneExpiryAndKeepThePhase)
{
    loop.setTimer(5, 100);
    EXPECT_EQ(advanceAndRun(550), std::vector{timerEvent(5)});
    EXPECT_EQ(advanceAndRun(49), none);
    EXPECT_EQ(advanceAndRun(1), std::vector{timerEvent(5)});
}

TEST_F(EventLoopTimerTest, SlowHandlerCausesNoBurst)
{
    bool firstCall = true;
    recorder.onEvent = [&](RecordedEvent) {
        if (firstCall)
            clock.advance(350);
        firstCall = false;
    };
    loop.setTimer(5, 100);
    // The slow first expiry overran three periods: they are owed as one expiry, not three.
    EXPECT_EQ(advanceAndRun(100), (std::vector{timerEvent(5), timerEvent(5)}));
}

TEST_F(EventLoopTimerTest, RestartReplacesTheTimerAndCountsFromTheRestart)
{
    loop.setTimer(7, 100);
    EXPECT_EQ(advanceAndRun(80), none);
    loop.setTimer(7, 100);
    EXPECT_EQ(advanceAndRun(99), none);
    EXPECT_EQ(advanceAndRun(1), std::vector{timerEvent(7)});

    loop.setTimer(7, 300);
    EXPECT_EQ(advanceAndRun(299), none);
    EXPECT_EQ(advanceAndRun(1), std::vector{timerEvent(7)});

    // An expiry that was due but not yet taken goes with the old timer.
    EXPECT_EQ(advanceAndRun(0), none);
    clock.advance(300);
    loop.setTimer(7, 300);
    EXPECT_EQ(loop.runUntilIdle(), 0u);
}

TEST_F(EventLoopTimerTest, KillStopsOnlyThatTimerAndUnknownKillIsHarmless)
{
    loop.setTimer(1, 100);
    loop.setTimer(2, 100);
    loop.setTimer(3, 100);
    loop.killTimer(99);
    loop.killTimer(1);
    EXPECT_FALSE(loop.isTimerRunning(1));
    EXPECT_TRUE(loop.isTimerRunning(2));

    clock.advance(100);
    loop.killTimer(3);  // due but not taken: no expiry may follow
    EXPECT_EQ(loop.runUntilIdle(), 1u);
    EXPECT_EQ(recorder.events, std::vector{timerEvent(2)});
    loop.killTimer(3);
    EXPECT_FALSE(loop.isTimerRunning(3));
}

TEST_F(EventLoopTimerTest, DueTimersWaitUntilNoPostedMessageIsQueued)
{
    constexpr uint32_t MSG = 0x8101;
    recorder.onEvent = [&](RecordedEvent event) {
        if (event.message == MSG && event.wParam == 1)
            loop.post(MSG, 4, 0);  // posted while the timer is already due
    };
    loop.setTimer(9, 100);
    clock.advance(100);
    loop.post(MSG, 1, 0);
    loop.post(MSG, 2, 0);
    loop.post(MSG, 3, 0);

    EXPECT_EQ(loop.runUntilIdle(), 5u);
    const std::vector<RecordedEvent> expected{{MSG, 1, 0}, {MSG, 2, 0}, {MSG, 3, 0}, {MSG, 4, 0}, timerEvent(9)};
    EXPECT_EQ(recorder.events, expected);
}

TEST_F(EventLoopTimerTest, SeveralDueTimersComeEarliestDueFirst)
{
    loop.setTimer(1, 300);
    loop.setTimer(2, 100);
    EXPECT_EQ(advanceAndRun(300), (std::vector{timerEvent(2), timerEvent(1)}));
}

}  // namespace
