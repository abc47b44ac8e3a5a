// POSIX only: Linux reports an ICMP port unreachable on a connected UDP socket as readiness
// with a pending error. Winsock reports it through the receive call at most (and the product
// switches that off), so on Windows there is no such notification to test.

#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/event_loop.h"
#include "tests/platform/event_recorder.h"
#include "tests/platform/loopback_socket.h"
#include "tests/support/udp_peer.h"

TEST(EventLoopSocketError, SocketErrorTravelsInTheHighHalf)
{
    constexpr uint32_t MSG_SOCKET = 0x8200;
    EventLoop loop;
    EventRecorder recorder;
    recorder.attach(loop);
    recorder.onEvent = [](RecordedEvent event) { receiveText(static_cast<int>(event.wParam)); };

    // Nothing listens on the port of a socket that was just closed: the send draws
    // an ICMP port unreachable, which a connected UDP socket reports as an error.
    const int sender = openLoopbackSocket();
    const int closedSocket = openLoopbackSocket();
    ASSERT_GE(sender, 0);
    ASSERT_GE(closedSocket, 0);
    sockaddr_in deadEnd = loopbackAddress(portOf(closedSocket));
    closeLoopbackSocket(closedSocket);
    ASSERT_EQ(connect(sender, reinterpret_cast<sockaddr*>(&deadEnd), sizeof deadEnd), 0);
    ASSERT_EQ(send(sender, "x", 1, 0), 1);

    ASSERT_EQ(loop.watchSocket(sender, MSG_SOCKET), 0);
    loop.setTimer(1, 10000);  // guard, so a missing notification fails instead of hanging
    ASSERT_TRUE(loop.dispatchOne(true));
    ASSERT_EQ(recorder.events.size(), 1u);
    const RecordedEvent event = recorder.events[0];
    EXPECT_EQ(event.message, MSG_SOCKET);
    EXPECT_EQ(event.wParam, static_cast<uintptr_t>(sender));
    EXPECT_EQ(socketEvent(event.lParam), FD_READ);
    EXPECT_EQ(socketError(event.lParam), static_cast<uint32_t>(ECONNREFUSED));
    closeLoopbackSocket(sender);
}
