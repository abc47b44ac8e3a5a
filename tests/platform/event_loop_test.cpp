#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/platform/event_recorder.h"

namespace {

constexpr uint32_t MSG_A = 0x8100;
constexpr uint32_t MSG_B = 0x8101;

class EventLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loop.isValid());
        recorder.attach(loop);
    }

    EventLoop loop;
    EventRecorder recorder;
};

TEST_F(EventLoopTest, PostedMessagesArriveInPostingOrderWithTheirParameters)
{
    EXPECT_TRUE(loop.post(MSG_A, 1, -1));
    EXPECT_TRUE(loop.post(WM_COMMAND, 0x8102, 0x10000));
    EXPECT_TRUE(loop.post(MSG_A, 3, 0));

    EXPECT_EQ(loop.runUntilIdle(), 3u);
    const std::vector<RecordedEvent> expected{{MSG_A, 1, -1}, {WM_COMMAND, 0x8102, 0x10000}, {MSG_A, 3, 0}};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_FALSE(loop.dispatchOne(false));
}

TEST_F(EventLoopTest, FullQueueRefusesPostsAndWorksAgainAfterDraining)
{
    for (size_t i = 0; i < EventLoop::QUEUE_CAPACITY; ++i)
        ASSERT_TRUE(loop.post(MSG_A, i, 0)) << i;
    EXPECT_FALSE(loop.post(MSG_B, 0, 0));

    ASSERT_EQ(loop.runUntilIdle(), EventLoop::QUEUE_CAPACITY);
    for (size_t i = 0; i < EventLoop::QUEUE_CAPACITY; ++i)
        ASSERT_EQ(recorder.events[i], (RecordedEvent{MSG_A, i, 0}));

    // The ring has wrapped; order must survive that too.
    recorder.events.clear();
    EXPECT_TRUE(loop.post(MSG_B, 1, 0));
    EXPECT_TRUE(loop.post(MSG_B, 2, 0));
    EXPECT_EQ(loop.runUntilIdle(), 2u);
    EXPECT_EQ(recorder.events, (std::vector<RecordedEvent>{{MSG_B, 1, 0}, {MSG_B, 2, 0}}));
}

TEST_F(EventLoopTest, PostsFromTwoThreadsAreAllDeliveredInEachThreadsOrder)
{
    constexpr intptr_t perThread = 5000;
    auto poster = [this](uintptr_t threadIndex) {
        for (intptr_t sequence = 0; sequence < perThread; ++sequence) {
            while (!loop.post(MSG_A, threadIndex, sequence))
                std::this_thread::yield();
        }
    };
    std::thread first(poster, 0);
    std::thread second(poster, 1);
    while (recorder.events.size() < 2 * perThread)
        ASSERT_TRUE(loop.dispatchOne(true));
    first.join();
    second.join();

    intptr_t nextSequence[2] = {0, 0};
    for (const RecordedEvent& event : recorder.events) {
        ASSERT_EQ(event.message, MSG_A);
        ASSERT_LT(event.wParam, 2u);
        ASSERT_EQ(event.lParam, nextSequence[event.wParam]) << "thread " << event.wParam;
        ++nextSequence[event.wParam];
    }
    EXPECT_FALSE(loop.dispatchOne(false));
}

TEST_F(EventLoopTest, HandlerCanRunANestedLoop)
{
    std::vector<int> trace;
    recorder.onEvent = [&](RecordedEvent event) {
        trace.push_back(static_cast<int>(event.wParam));
        if (event.wParam == 1) {
            // As a modal box does: keep taking events, in order, until the box closes.
            loop.post(MSG_A, 3, 0);
            EXPECT_TRUE(loop.dispatchOne(true));
            EXPECT_TRUE(loop.dispatchOne(true));
            EXPECT_FALSE(loop.dispatchOne(false));
            trace.push_back(-1);
        }
    };
    loop.post(MSG_A, 1, 0);
    loop.post(MSG_A, 2, 0);

    EXPECT_TRUE(loop.dispatchOne(false));
    EXPECT_EQ(trace, (std::vector<int>{1, 2, 3, -1}));
    EXPECT_EQ(loop.runUntilIdle(), 0u);
}

TEST_F(EventLoopTest, RunReturnsTheQuitCodePostedFromAnotherThread)
{
    std::thread quitter([this] {
        for (uintptr_t i = 0; i < 100; ++i)
            loop.post(MSG_A, i, 0);
        loop.postQuit(42);
    });
    EXPECT_EQ(loop.run(), 42);
    quitter.join();

    // The quit is consumed: a second run waits for its own.
    std::thread secondQuitter([this] { loop.postQuit(7); });
    EXPECT_EQ(loop.run(), 7);
    secondQuitter.join();
}

TEST_F(EventLoopTest, WaitingDispatchWakesForAPostFromAnotherThread)
{
    std::thread poster([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        loop.post(MSG_B, 5, 6);
    });
    EXPECT_TRUE(loop.dispatchOne(true));
    poster.join();
    EXPECT_EQ(recorder.events, (std::vector<RecordedEvent>{{MSG_B, 5, 6}}));
}

TEST_F(EventLoopTest, WaitingDispatchWakesForQuitWithoutDispatching)
{
    std::thread quitter([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        loop.postQuit(1);
    });
    EXPECT_FALSE(loop.dispatchOne(true));
    quitter.join();
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(EventLoopTest, WaitingDispatchWakesForARealTimer)
{
    loop.setTimer(0x8205, 20);
    EXPECT_TRUE(loop.dispatchOne(true));
    EXPECT_EQ(recorder.events, std::vector<RecordedEvent>{timerEvent(0x8205)});
}

}  // namespace
