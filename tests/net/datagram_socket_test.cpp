// Opening, closing, sending and receiving with the socket wrapper, against real sockets on
// loopback. These tests read the socket directly, without a target for notifications.

#include <gtest/gtest.h>

#include <vector>

#include "net/datagram_socket.h"
#include "tests/support/udp_peer.h"

constexpr uint32_t NET_MESSAGE = 0x8001;
constexpr size_t RECEIVE_CAPACITY = 1024;

// Receives the next datagram, waiting for it first (the socket itself never blocks).
static int receiveNext(DatagramSocket& socket, std::vector<uint8_t>& buffer, size_t capacity, SocketAddress& sender)
{
    if (!waitReadable(socket.handle(), ARRIVAL_TIMEOUT_MS)) {
        return -100;
    }
    return socket.ReceiveFrom(buffer.data(), capacity, sender);
}

static SocketAddress loopbackAddressOf(const DatagramSocket& socket)
{
    return loopbackAddress(socket.localPort());
}

// True when the port can be bound again, i.e. no socket holds it any more.
static bool portIsFree(int port)
{
    UdpPeer probe("0.0.0.0", static_cast<uint16_t>(port));
    return probe.isBound();
}

TEST(DatagramSocket, OpenBindsANonBlockingSocketOnEveryLocalAddress)
{
    DatagramSocket socket;
    EXPECT_FALSE(socket.isOpen());
    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    ASSERT_TRUE(socket.isOpen());
    ASSERT_NE(0, socket.localPort());
    EXPECT_TRUE(isNonBlocking(socket.handle()));

    UdpPeer peer("127.0.0.2");
    ASSERT_TRUE(peer.isBound());
    const std::vector<uint8_t> sent = {1, 2, 3};
    ASSERT_EQ(3, peer.sendTo(ipv4Address("127.0.0.5", static_cast<uint16_t>(socket.localPort())), sent));

    std::vector<uint8_t> buffer(RECEIVE_CAPACITY);
    SocketAddress sender;
    ASSERT_EQ(3, receiveNext(socket, buffer, RECEIVE_CAPACITY, sender));
    EXPECT_EQ(sent, std::vector<uint8_t>(buffer.begin(), buffer.begin() + 3));
    EXPECT_TRUE(sameEndpoint(peer.address(), sender));
}

TEST(DatagramSocket, ReceiveWithNothingWaitingFailsAtOnce)
{
    DatagramSocket socket;
    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    // A blocking socket would hang the receive below instead of failing it.
    ASSERT_TRUE(isNonBlocking(socket.handle()));
    std::vector<uint8_t> buffer(RECEIVE_CAPACITY);
    SocketAddress sender;
    EXPECT_EQ(NET_RECEIVE_FAILED, socket.ReceiveFrom(buffer.data(), buffer.size(), sender));
}

TEST(DatagramSocket, WithoutASocketNothingIsSentOrReceived)
{
    DatagramSocket socket;
    UdpPeer peer("127.0.0.2");
    const uint8_t bytes[4] = {'Q', 'U', 'O', 'X'};
    EXPECT_EQ(NET_SEND_FAILED, socket.SendTo(bytes, sizeof bytes, peer.address()));
    uint8_t buffer[RECEIVE_CAPACITY];
    SocketAddress sender;
    EXPECT_EQ(NET_RECEIVE_FAILED, socket.ReceiveFrom(buffer, sizeof buffer, sender));

    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    socket.Close();
    EXPECT_FALSE(socket.isOpen());
    EXPECT_EQ(0, socket.localPort());
    EXPECT_EQ(NET_SEND_FAILED, socket.SendTo(bytes, sizeof bytes, peer.address()));
    EXPECT_EQ(NET_RECEIVE_FAILED, socket.ReceiveFrom(buffer, sizeof buffer, sender));
    EXPECT_TRUE(peer.staysSilent());
}

TEST(DatagramSocket, CloseOnAClosedSocketTouchesNoOtherDescriptor)
{
    DatagramSocket socket;
    socket.Close();
    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    socket.Close();

    // The next descriptor usually takes the number just released; a second close of the
    // old handle would take it away from its new owner.
    UdpPeer unrelated("127.0.0.2");
    ASSERT_TRUE(unrelated.isBound());
    socket.Close();
    EXPECT_FALSE(socket.isOpen());
    UdpPeer sender("127.0.0.3");
    const std::vector<uint8_t> bytes = {9};
    ASSERT_EQ(1, sender.sendTo(unrelated.address(), bytes));
    ReceivedDatagram received;
    ASSERT_TRUE(unrelated.receive(received));
    EXPECT_EQ(bytes, received.bytes);
}

TEST(DatagramSocket, OpenOnABoundPortFailsAndLeavesTheObjectClosed)
{
    UdpPeer holder("0.0.0.0");
    ASSERT_TRUE(holder.isBound());

    DatagramSocket fresh;
    EXPECT_EQ(NET_CANNOT_BIND, fresh.Open(nullptr, NET_MESSAGE, holder.port()));
    EXPECT_FALSE(fresh.isOpen());
    EXPECT_EQ(-1, fresh.handle());
    fresh.Close();
    EXPECT_FALSE(fresh.isOpen());

    // A failed reopen has already closed the socket the object held.
    DatagramSocket reopened;
    ASSERT_EQ(0, reopened.Open(nullptr, NET_MESSAGE, 0));
    const int earlierPort = reopened.localPort();
    EXPECT_EQ(NET_CANNOT_BIND, reopened.Open(nullptr, NET_MESSAGE, holder.port()));
    EXPECT_FALSE(reopened.isOpen());
    EXPECT_TRUE(portIsFree(earlierPort));
}

TEST(DatagramSocket, OpenOnAnOpenSocketReplacesIt)
{
    DatagramSocket socket;
    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    const int firstPort = socket.localPort();

    // The old socket is closed before the new one binds, so the same port can be had again.
    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, firstPort));
    EXPECT_EQ(firstPort, socket.localPort());

    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    const int secondPort = socket.localPort();
    EXPECT_NE(firstPort, secondPort);
    EXPECT_TRUE(portIsFree(firstPort));

    UdpPeer peer("127.0.0.2");
    const std::vector<uint8_t> bytes = {4, 5};
    ASSERT_EQ(2, peer.sendTo(loopbackAddressOf(socket), bytes));
    std::vector<uint8_t> buffer(RECEIVE_CAPACITY);
    SocketAddress sender;
    EXPECT_EQ(2, receiveNext(socket, buffer, RECEIVE_CAPACITY, sender));
}

TEST(DatagramSocket, DestructionReleasesThePort)
{
    int port = 0;
    {
        DatagramSocket socket;
        ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
        port = socket.localPort();
        EXPECT_FALSE(portIsFree(port));
    }
    EXPECT_TRUE(portIsFree(port));
}

TEST(DatagramSocket, SendToSendsTheBytesWholeFromItsPort)
{
    DatagramSocket socket;
    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    UdpPeer peer("127.0.0.2");
    const std::vector<uint8_t> bytes = patternBytes(1024);
    EXPECT_EQ(1024, socket.SendTo(bytes.data(), bytes.size(), peer.address()));

    ReceivedDatagram received;
    ASSERT_TRUE(peer.receive(received));
    EXPECT_EQ(bytes, received.bytes);
    EXPECT_EQ(socket.localPort(), ntohs(received.sender.sin_port));
}

TEST(DatagramSocket, DatagramLongerThanTheBufferIsDiscardedWhole)
{
    DatagramSocket socket;
    ASSERT_EQ(0, socket.Open(nullptr, NET_MESSAGE, 0));
    ASSERT_TRUE(isNonBlocking(socket.handle()));
    UdpPeer peer("127.0.0.2");
    SocketAddress sender;

    struct Case {
        size_t capacity;
        size_t oversized;
    };
    for (const Case c : {Case{1024, 1025}, Case{1024, 65507}, Case{16, 17}}) {
        SCOPED_TRACE(testing::Message() << c.oversized << " bytes into " << c.capacity);
        std::vector<uint8_t> buffer(c.capacity);
        const std::vector<uint8_t> next = patternBytes(c.capacity);
        ASSERT_EQ(static_cast<ssize_t>(c.oversized), peer.sendTo(loopbackAddressOf(socket), patternBytes(c.oversized)));
        ASSERT_EQ(static_cast<ssize_t>(next.size()), peer.sendTo(loopbackAddressOf(socket), next));

        EXPECT_EQ(NET_RECEIVE_FAILED, receiveNext(socket, buffer, c.capacity, sender));
        // The next datagram comes whole; nothing of the long one is left over.
        ASSERT_EQ(static_cast<int>(next.size()), receiveNext(socket, buffer, c.capacity, sender));
        EXPECT_EQ(next, buffer);
        EXPECT_EQ(NET_RECEIVE_FAILED, socket.ReceiveFrom(buffer.data(), c.capacity, sender));
    }
}
