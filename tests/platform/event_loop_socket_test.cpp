#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/platform/event_recorder.h"
#include "tests/platform/loopback_socket.h"

namespace {

constexpr uint32_t MSG_SOCKET = 0x8200;
constexpr uint32_t MSG_POSTED = 0x8101;

class EventLoopSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        receiver = openLoopbackSocket();
        sender = openLoopbackSocket();
        ASSERT_GE(receiver, 0);
        ASSERT_GE(sender, 0);
        recorder.attach(loop);
    }

    void TearDown() override
    {
        if (receiver >= 0)
            closeLoopbackSocket(receiver);
        closeLoopbackSocket(sender);
    }

    void sendToReceiver(const std::string& text) { ASSERT_TRUE(sendToLoopback(sender, portOf(receiver), text)); }

    // Makes the handler answer each notification with exactly one receive.
    void receiveOnEachNotification()
    {
        recorder.onEvent = [this](RecordedEvent event) {
            if (event.message != MSG_SOCKET)
                return;
            received.push_back(receiveText(static_cast<int>(event.wParam)));
        };
    }

    RecordedEvent readable(int fd) const { return RecordedEvent{MSG_SOCKET, static_cast<uintptr_t>(fd), FD_READ}; }

    EventLoop loop;
    EventRecorder recorder;
    std::vector<std::string> received;
    int receiver = -1;
    int sender = -1;
};

TEST_F(EventLoopSocketTest, EachWaitingDatagramGetsOneNotificationAnsweredByOneReceive)
{
    receiveOnEachNotification();
    ASSERT_EQ(loop.watchSocket(receiver, MSG_SOCKET), 0);
    EXPECT_EQ(loop.runUntilIdle(), 0u);

    sendToReceiver("one");
    sendToReceiver("two");
    sendToReceiver("three");
    EXPECT_EQ(loop.runUntilIdle(), 3u);
    EXPECT_EQ(recorder.events, std::vector<RecordedEvent>(3, readable(receiver)));
    EXPECT_EQ(received, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_FALSE(loop.dispatchOne(false));
}

TEST_F(EventLoopSocketTest, UnreadDatagramHasOneNotificationQueuedAtATime)
{
    ASSERT_EQ(loop.watchSocket(receiver, MSG_SOCKET), 0);
    sendToReceiver("a");
    sendToReceiver("b");
    loop.post(MSG_POSTED, 1, 0);
    loop.post(MSG_POSTED, 2, 0);

    // Three readiness checks while the notification waits behind the posts queue it once.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(loop.dispatchOne(false));
    const std::vector<RecordedEvent> expected{{MSG_POSTED, 1, 0}, {MSG_POSTED, 2, 0}, readable(receiver)};
    EXPECT_EQ(recorder.events, expected);

    // Dispatched but not read: the datagram still waits, so the next check reports it again.
    EXPECT_TRUE(loop.dispatchOne(false));
    EXPECT_EQ(recorder.events.back(), readable(receiver));

    ASSERT_EQ(receiveText(receiver), "a");
    ASSERT_EQ(receiveText(receiver), "b");
    EXPECT_FALSE(loop.dispatchOne(false));
}

TEST_F(EventLoopSocketTest, UnwatchDropsTheQueuedNotificationEvenForAReusedDescriptor)
{
    ASSERT_EQ(loop.watchSocket(receiver, MSG_SOCKET), 0);
    sendToReceiver("stale");
    loop.post(MSG_POSTED, 0, 0);
    ASSERT_TRUE(loop.dispatchOne(false));  // queues the notification behind the post

    const int oldFd = receiver;
    loop.unwatchSocket(receiver);
    closeLoopbackSocket(receiver);
    receiver = openLoopbackSocket();
    ASSERT_GE(receiver, 0);
    ASSERT_EQ(loop.watchSocket(receiver, MSG_SOCKET), 0);
    EXPECT_EQ(loop.runUntilIdle(), 0u) << "old fd " << oldFd << ", new fd " << receiver;

    receiveOnEachNotification();
    sendToReceiver("fresh");
    EXPECT_EQ(loop.runUntilIdle(), 1u);
    EXPECT_EQ(received, std::vector<std::string>{"fresh"});
    EXPECT_EQ(recorder.events.back(), readable(receiver));
}

TEST_F(EventLoopSocketTest, WaitingDispatchWakesForADatagram)
{
    receiveOnEachNotification();
    ASSERT_EQ(loop.watchSocket(receiver, MSG_SOCKET), 0);
    loop.setTimer(1, 10000);  // guard, so a missed wake-up fails instead of hanging
    std::thread later([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        sendToReceiver("late");
    });
    EXPECT_TRUE(loop.dispatchOne(true));
    later.join();
    EXPECT_EQ(recorder.events, std::vector<RecordedEvent>{readable(receiver)});
    EXPECT_EQ(received, std::vector<std::string>{"late"});
}

}  // namespace
