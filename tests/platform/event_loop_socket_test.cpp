#include "platform/event_loop.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/platform/event_recorder.h"

namespace {

constexpr uint32_t MSG_SOCKET = 0x8200;
constexpr uint32_t MSG_POSTED = 0x8101;

sockaddr_in loopbackAddress(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A non-blocking UDP socket bound to an ephemeral loopback port.
int openLoopbackSocket()
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopbackAddress(0);
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

uint16_t portOf(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

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
            close(receiver);
        close(sender);
    }

    void sendToReceiver(const std::string& text)
    {
        sockaddr_in to = loopbackAddress(portOf(receiver));
        ASSERT_EQ(sendto(sender, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
                  static_cast<ssize_t>(text.size()));
    }

    // Makes the handler answer each notification with exactly one receive.
    void receiveOnEachNotification()
    {
        recorder.onEvent = [this](RecordedEvent event) {
            if (event.message != MSG_SOCKET)
                return;
            char buffer[64];
            ssize_t length = recv(static_cast<int>(event.wParam), buffer, sizeof buffer, 0);
            received.push_back(length < 0 ? std::string("<error>") : std::string(buffer, static_cast<size_t>(length)));
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

    char buffer[8];
    ASSERT_EQ(recv(receiver, buffer, sizeof buffer, 0), 1);
    ASSERT_EQ(recv(receiver, buffer, sizeof buffer, 0), 1);
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
    close(receiver);
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

TEST_F(EventLoopSocketTest, SocketErrorTravelsInTheHighHalf)
{
    // Nothing listens on the port of a socket that was just closed: the send draws
    // an ICMP port unreachable, which a connected UDP socket reports as an error.
    int closedSocket = openLoopbackSocket();
    ASSERT_GE(closedSocket, 0);
    sockaddr_in deadEnd = loopbackAddress(portOf(closedSocket));
    close(closedSocket);
    ASSERT_EQ(connect(sender, reinterpret_cast<sockaddr*>(&deadEnd), sizeof deadEnd), 0);
    ASSERT_EQ(send(sender, "x", 1, 0), 1);

    receiveOnEachNotification();
    ASSERT_EQ(loop.watchSocket(sender, MSG_SOCKET), 0);
    loop.setTimer(1, 10000);  // guard, so a missing notification fails instead of hanging
    ASSERT_TRUE(loop.dispatchOne(true));
    ASSERT_EQ(recorder.events.size(), 1u);
    const RecordedEvent event = recorder.events[0];
    EXPECT_EQ(event.message, MSG_SOCKET);
    EXPECT_EQ(event.wParam, static_cast<uintptr_t>(sender));
    EXPECT_EQ(socketEvent(event.lParam), FD_READ);
    EXPECT_EQ(socketError(event.lParam), static_cast<uint32_t>(ECONNREFUSED));
}

}  // namespace
