// The participant's endpoint: it sends only to session 0, the server, and accepts only what
// comes from the server's IPv4 address with the participant's own key.

#include <gtest/gtest.h>

#include <vector>

#include "net/link_endpoint.h"
#include "net/wire_protocol.h"
#include "tests/support/udp_peer.h"

constexpr uint32_t LINK_MESSAGE = 0x8003;
constexpr uint32_t OWN_KEY = 0x600DCAFE;

class LinkEndpointTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isBound());
        ASSERT_EQ(0, link.Open(nullptr, LINK_MESSAGE, 0));
        // A blocking socket would hang the receives that expect nothing to wait.
        ASSERT_TRUE(isNonBlocking(link.handle()));
        ASSERT_EQ(0, link.AddSession(server.address(), OWN_KEY));
    }

    SocketAddress linkAddress() const { return loopbackAddress(link.localPort()); }

    // Sends the datagram from `from` and gives the link's Receive of it.
    int deliver(UdpPeer& from, const std::vector<uint8_t>& datagram)
    {
        if (from.sendTo(linkAddress(), datagram) != static_cast<ssize_t>(datagram.size()) ||
            !waitReadable(link.handle(), ARRIVAL_TIMEOUT_MS)) {
            return -100;
        }
        return link.Receive(buffer);
    }

    UdpPeer server{"127.0.0.2"};
    LinkEndpoint link{5};
    uint8_t buffer[MAX_DATAGRAM] = {};
};

TEST_F(LinkEndpointTest, SendGoesToTheServerWithTheOwnKey)
{
    const std::vector<uint8_t> nickname = patternBytes(NICKNAME_SIZE);
    EXPECT_EQ(28, link.Send(MSG_JOIN, nickname.data(), nickname.size()));
    ReceivedDatagram received;
    ASSERT_TRUE(server.receive(received));
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, OWN_KEY, MSG_JOIN, nickname), received.bytes);
    EXPECT_EQ(link.localPort(), ntohs(received.sender.sin_port));

    EXPECT_EQ(12, link.Send(MSG_PING, nullptr, 0));
    ASSERT_TRUE(server.receive(received));
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, OWN_KEY, MSG_PING), received.bytes);

    const std::vector<uint8_t> tooLong = patternBytes(2000);
    EXPECT_EQ(1024, link.Send(MSG_VOICE, tooLong.data(), tooLong.size()));
    ASSERT_TRUE(server.receive(received));
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, OWN_KEY, MSG_VOICE, patternBytes(MAX_PAYLOAD)), received.bytes);
}

TEST_F(LinkEndpointTest, SendAfterDisconnectSendsNothing)
{
    link.Disconnect();
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.IsSessionActive(0));
    EXPECT_EQ(NET_SEND_FAILED, link.Send(MSG_LEAVE, nullptr, 0));

    // Even with a socket again, a free session 0 has nowhere to send to.
    ASSERT_EQ(0, link.Open(nullptr, LINK_MESSAGE, 0));
    EXPECT_EQ(NET_SEND_FAILED, link.Send(MSG_LEAVE, nullptr, 0));
    EXPECT_TRUE(server.staysSilent());
}

TEST_F(LinkEndpointTest, ReceiveAcceptsTheServerFromAnyOfItsPorts)
{
    const std::vector<uint8_t> welcome =
        datagramBytes(PACKET_MAGIC, OWN_KEY, makeCode(4, MSG_WELCOME), patternBytes(ROSTER_SIZE));
    EXPECT_EQ(268, deliver(server, welcome));
    EXPECT_EQ(welcome, std::vector<uint8_t>(buffer, buffer + welcome.size()));

    UdpPeer serverOtherPort("127.0.0.2");
    ASSERT_NE(server.port(), serverOtherPort.port());
    EXPECT_EQ(12, deliver(serverOtherPort, datagramBytes(PACKET_MAGIC, OWN_KEY, makeCode(4, MSG_PONG))));
}

TEST_F(LinkEndpointTest, ReceiveRejectsOtherSendersKeysAndMagic)
{
    if (loopbackSendersAreDistinct()) {
        UdpPeer stranger("127.0.0.3");
        EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(stranger, datagramBytes(PACKET_MAGIC, OWN_KEY, makeCode(4, MSG_PONG))));
    }
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY + 1, makeCode(4, MSG_PONG))));
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, datagramBytes(0x594F5551, OWN_KEY, makeCode(4, MSG_PONG))));

    // A short datagram must not pass on the header an earlier datagram left in the buffer.
    ASSERT_EQ(12, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY, makeCode(4, MSG_PONG))));
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, {'Q', 'U', 'O'}));
    ASSERT_EQ(12, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY, makeCode(4, MSG_PONG))));
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, {'Q', 'U', 'O', 'X', 0xFE, 0xCA}));
}

TEST_F(LinkEndpointTest, ReceiveFailsOnOversizedDatagramsAndWhenNothingWaits)
{
    EXPECT_EQ(NET_RECEIVE_FAILED, link.Receive(buffer));
    EXPECT_EQ(NET_RECEIVE_FAILED,
              deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY, MSG_VOICE_RELAY, patternBytes(1013))));
    EXPECT_EQ(1024, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY, MSG_VOICE_RELAY, patternBytes(1012))));
}

TEST_F(LinkEndpointTest, AfterDisconnectNothingIsAccepted)
{
    link.Disconnect();
    EXPECT_EQ(NET_RECEIVE_FAILED, link.Receive(buffer));
    // The socket is reopened, but session 0 stays free until the next connect.
    ASSERT_EQ(0, link.Open(nullptr, LINK_MESSAGE, 0));
    UdpPeer stranger("127.0.0.3");
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY, makeCode(4, MSG_PONG))));
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY, makeCode(4, MSG_VOICE_RELAY),
                                                                  patternBytes(VOICE_PAYLOAD_SIZE))));
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(stranger, datagramBytes(PACKET_MAGIC, 0, makeCode(4, MSG_PONG))));
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, datagramBytes(PACKET_MAGIC, 0, MSG_PONG)));

    // A new connect (new key) is accepted again, and only with the new key.
    ASSERT_EQ(0, link.AddSession(server.address(), OWN_KEY + 7));
    EXPECT_EQ(NET_FOREIGN_DATAGRAM, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY, MSG_PONG)));
    EXPECT_EQ(12, deliver(server, datagramBytes(PACKET_MAGIC, OWN_KEY + 7, MSG_PONG)));
}
