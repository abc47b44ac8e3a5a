// A socket opened with an event loop as its target reports each waiting datagram as one
// notification, answered by one Receive; closing the socket silences it.

#include <gtest/gtest.h>

#include <vector>

#include "net/datagram_endpoint.h"
#include "net/wire_protocol.h"
#include "platform/event_loop.h"
#include "tests/support/udp_peer.h"

constexpr uint32_t NOTIFY_MESSAGE = 0x8010;
constexpr uint32_t CLOSE_COMMAND = 0x8011;

struct Notification {
    uintptr_t socket;
    uint32_t event;
    uint32_t error;
    int received;
};

// The worker's part: one Receive per notification, and the commands a test posts.
struct NotifiedServer final : EventHandler {
    explicit NotifiedServer(DatagramEndpoint& served) : endpoint(served) {}

    void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        if (message == CLOSE_COMMAND) {
            endpoint.Close();
        } else if (message == NOTIFY_MESSAGE) {
            uint8_t buffer[MAX_DATAGRAM];
            SocketAddress sender;
            const int received = endpoint.Receive(buffer, sender);
            notifications.push_back(Notification{wParam, socketEvent(lParam), socketError(lParam), received});
        }
    }

    DatagramEndpoint& endpoint;
    std::vector<Notification> notifications;
};

class SocketNotificationTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loop.isValid());
        loop.setHandler(server);
        ASSERT_EQ(0, endpoint.Open(&loop, NOTIFY_MESSAGE, 0));
    }

    SocketAddress endpointAddress() const { return loopbackAddress(endpoint.localPort()); }

    // Runs the loop until `count` notifications have come or no datagram is waiting any more.
    void dispatchNotifications(size_t count)
    {
        while (server.notifications.size() < count && waitReadable(endpoint.handle(), ARRIVAL_TIMEOUT_MS)) {
            loop.runUntilIdle();
        }
        loop.runUntilIdle();
    }

    // Declared first: the loop outlives the socket that is registered with it.
    EventLoop loop;
    DatagramEndpoint endpoint{16, 3};
    NotifiedServer server{endpoint};
    UdpPeer participant{"127.0.0.2"};
};

TEST_F(SocketNotificationTest, EachWaitingDatagramGivesOneNotification)
{
    EXPECT_EQ(0u, loop.runUntilIdle());
    ASSERT_EQ(12, participant.sendTo(endpointAddress(), datagramBytes(PACKET_MAGIC, 1, MSG_PING)));
    ASSERT_EQ(28, participant.sendTo(endpointAddress(),
                                     datagramBytes(PACKET_MAGIC, 1, MSG_JOIN, patternBytes(NICKNAME_SIZE))));
    dispatchNotifications(2);

    ASSERT_EQ(2u, server.notifications.size());
    const uintptr_t handle = static_cast<uintptr_t>(endpoint.handle());
    for (const Notification& notification : server.notifications) {
        EXPECT_EQ(handle, notification.socket);
        EXPECT_EQ(FD_READ, notification.event);
        EXPECT_EQ(0u, notification.error);
    }
    EXPECT_EQ(12, server.notifications[0].received);
    EXPECT_EQ(28, server.notifications[1].received);
    EXPECT_EQ(0u, loop.runUntilIdle());
}

TEST_F(SocketNotificationTest, ReopenedSocketNotifiesUnderItsNewHandle)
{
    ASSERT_EQ(0, endpoint.Open(&loop, NOTIFY_MESSAGE, 0));
    ASSERT_EQ(12, participant.sendTo(endpointAddress(), datagramBytes(PACKET_MAGIC, 1, MSG_PING)));
    dispatchNotifications(1);

    ASSERT_EQ(1u, server.notifications.size());
    EXPECT_EQ(static_cast<uintptr_t>(endpoint.handle()), server.notifications[0].socket);
    EXPECT_EQ(12, server.notifications[0].received);
}

TEST_F(SocketNotificationTest, ClosingDropsANotificationStillQueued)
{
    // The command is dispatched first; the datagram's notification is queued behind it
    // when the socket is closed.
    ASSERT_TRUE(loop.post(CLOSE_COMMAND, 0, 0));
    ASSERT_EQ(12, participant.sendTo(endpointAddress(), datagramBytes(PACKET_MAGIC, 1, MSG_PING)));
    ASSERT_TRUE(waitReadable(endpoint.handle(), ARRIVAL_TIMEOUT_MS));
    loop.runUntilIdle();

    EXPECT_FALSE(endpoint.isOpen());
    EXPECT_TRUE(server.notifications.empty());
}
