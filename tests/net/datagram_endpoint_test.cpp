// The relay server's endpoint: what it puts on the wire for an address, a session and a
// broadcast, and what its receive accepts. Real sockets on loopback stand in for participants.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "net/datagram_endpoint.h"
#include "net/wire_protocol.h"
#include "tests/support/udp_peer.h"

constexpr uint32_t SERVER_MESSAGE = 0x8002;

class DatagramEndpointTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, endpoint.Open(nullptr, SERVER_MESSAGE, 0));
        // A blocking socket would hang the receives that expect nothing to wait.
        ASSERT_TRUE(isNonBlocking(endpoint.handle()));
        ASSERT_TRUE(participant.isBound());
    }

    SocketAddress endpointAddress() const { return loopbackAddress(endpoint.localPort()); }

    // The endpoint's Receive, once a datagram is waiting (the socket itself never blocks).
    int receiveNext(uint8_t* buffer, SocketAddress& sender)
    {
        if (!waitReadable(endpoint.handle(), ARRIVAL_TIMEOUT_MS)) {
            return -100;
        }
        return endpoint.Receive(buffer, sender);
    }

    DatagramEndpoint endpoint{16, 3};
    UdpPeer participant{"127.0.0.2"};
};

TEST_F(DatagramEndpointTest, SendToAddressSendsHeaderAndAtMostMaxPayload)
{
    const std::vector<uint8_t> payload = patternBytes(1500);
    struct Case {
        size_t payloadLength;
        size_t expectedLength;
    };
    for (const Case c :
         {Case{0, 12}, Case{16, 28}, Case{254, 266}, Case{1012, 1024}, Case{1013, 1024}, Case{1500, 1024}}) {
        SCOPED_TRACE(testing::Message() << "payload length " << c.payloadLength);
        const uint8_t* bytes = c.payloadLength == 0 ? nullptr : payload.data();
        EXPECT_EQ(static_cast<int>(c.expectedLength),
                  endpoint.SendToAddress(participant.address(), 0xCAFEF00D, makeCode(3, MSG_VOICE_RELAY), bytes,
                                         c.payloadLength));
        ReceivedDatagram received;
        ASSERT_TRUE(participant.receive(received));
        const std::vector<uint8_t> sentPayload(payload.begin(), payload.begin() + (c.expectedLength - 12));
        EXPECT_EQ(datagramBytes(PACKET_MAGIC, 0xCAFEF00D, makeCode(3, MSG_VOICE_RELAY), sentPayload), received.bytes);
        EXPECT_EQ(endpoint.localPort(), ntohs(received.sender.sin_port));
    }
}

TEST_F(DatagramEndpointTest, PayloadLengthIsCappedBeforeAnythingIsRead)
{
    // Only MAX_PAYLOAD bytes exist behind the pointer; a huge length must not read past them.
    const std::vector<uint8_t> payload = patternBytes(MAX_PAYLOAD);
    EXPECT_EQ(1024, endpoint.SendToAddress(participant.address(), 1, MSG_PING, payload.data(), SIZE_MAX));
    ReceivedDatagram received;
    ASSERT_TRUE(participant.receive(received));
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, 1, MSG_PING, payload), received.bytes);
}

TEST_F(DatagramEndpointTest, NoPayloadPutsNoStaleBytesOnTheWire)
{
    // A first datagram leaves its payload behind in whatever memory the next one is built in.
    const std::vector<uint8_t> earlier(MAX_PAYLOAD, 0xAA);
    ASSERT_EQ(1024, endpoint.SendToAddress(participant.address(), 1, MSG_VOICE, earlier.data(), earlier.size()));
    ReceivedDatagram received;
    ASSERT_TRUE(participant.receive(received));

    endpoint.SendToAddress(participant.address(), 2, MSG_JOIN, nullptr, NICKNAME_SIZE);
    ASSERT_TRUE(participant.receive(received));
    ASSERT_GE(received.bytes.size(), HEADER_SIZE);
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, 2, MSG_JOIN),
              std::vector<uint8_t>(received.bytes.begin(), received.bytes.begin() + HEADER_SIZE));
    EXPECT_EQ(std::vector<uint8_t>(received.bytes.size() - HEADER_SIZE, 0),
              std::vector<uint8_t>(received.bytes.begin() + HEADER_SIZE, received.bytes.end()))
        << "payload bytes that nobody supplied";

    ASSERT_EQ(0, endpoint.AddSession(participant.address(), 3));
    endpoint.Broadcast(MSG_VOICE, earlier.data(), earlier.size());
    ASSERT_TRUE(participant.receive(received));
    endpoint.Broadcast(MSG_PEER_NAME, nullptr, NICKNAME_SIZE);
    ASSERT_TRUE(participant.receive(received));
    ASSERT_GE(received.bytes.size(), HEADER_SIZE);
    EXPECT_EQ(std::vector<uint8_t>(received.bytes.size() - HEADER_SIZE, 0),
              std::vector<uint8_t>(received.bytes.begin() + HEADER_SIZE, received.bytes.end()))
        << "broadcast payload bytes that nobody supplied";
}

TEST_F(DatagramEndpointTest, SendToSessionUsesTheSlotsAddressAndKey)
{
    UdpPeer other("127.0.0.3");
    ASSERT_EQ(0, endpoint.AddSession(participant.address(), 0x1111));
    ASSERT_EQ(1, endpoint.AddSession(other.address(), 0x2222));

    const std::vector<uint8_t> nickname = patternBytes(NICKNAME_SIZE);
    EXPECT_EQ(28, endpoint.SendToSession(1, makeCode(1, MSG_PEER_NAME), nickname.data(), nickname.size()));
    ReceivedDatagram received;
    ASSERT_TRUE(other.receive(received));
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, 0x2222, makeCode(1, MSG_PEER_NAME), nickname), received.bytes);
    EXPECT_TRUE(participant.staysSilent());
}

TEST_F(DatagramEndpointTest, SendToSessionOnAnInactiveSlotSendsNothing)
{
    ASSERT_EQ(0, endpoint.AddSession(participant.address(), 0x1111));
    ASSERT_EQ(1, endpoint.AddSession(participant.address(), 0x2222));
    ASSERT_EQ(0, endpoint.RemoveSession(1));

    for (const int index : {1, 2, 15, 16, -1}) {
        EXPECT_EQ(NET_SEND_FAILED, endpoint.SendToSession(index, MSG_PONG, nullptr, 0)) << "slot " << index;
    }
    EXPECT_TRUE(participant.staysSilent());
}

TEST_F(DatagramEndpointTest, BroadcastSendsOneCopyPerActiveSlotInSlotOrder)
{
    // One receiver on every local address: it sees each copy's destination address and the
    // order of all copies.
    UdpPeer everyAddress("0.0.0.0");
    ASSERT_TRUE(everyAddress.isBound());
    for (int slot = 0; slot < 6; ++slot) {
        const char* host = slot == 2 ? "127.0.0.2" : slot == 5 ? "127.0.0.3" : "127.0.0.4";
        ASSERT_EQ(slot, endpoint.AddSession(everyAddress.portOn(host), 0x5000u + slot));
    }
    for (const int freed : {0, 1, 3, 4}) {
        ASSERT_EQ(0, endpoint.RemoveSession(freed));
    }

    const std::vector<uint8_t> voice = patternBytes(VOICE_PAYLOAD_SIZE);
    endpoint.Broadcast(makeCode(7, MSG_VOICE_RELAY), voice.data(), voice.size());

    ReceivedDatagram first;
    ASSERT_TRUE(everyAddress.receive(first));
    EXPECT_EQ(everyAddress.portOn("127.0.0.2").sin_addr.s_addr, first.destination.s_addr);
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, 0x5002, makeCode(7, MSG_VOICE_RELAY), voice), first.bytes);

    ReceivedDatagram second;
    ASSERT_TRUE(everyAddress.receive(second));
    EXPECT_EQ(everyAddress.portOn("127.0.0.3").sin_addr.s_addr, second.destination.s_addr);
    EXPECT_EQ(datagramBytes(PACKET_MAGIC, 0x5005, makeCode(7, MSG_VOICE_RELAY), voice), second.bytes);

    EXPECT_TRUE(everyAddress.staysSilent());
}

TEST_F(DatagramEndpointTest, BroadcastWithNoActiveSlotSendsNothing)
{
    ASSERT_EQ(0, endpoint.AddSession(participant.address(), 1));
    ASSERT_EQ(0, endpoint.RemoveSession(0));
    endpoint.Broadcast(MSG_PEER_LEFT, nullptr, 0);
    EXPECT_TRUE(participant.staysSilent());
}

TEST_F(DatagramEndpointTest, ReceiveGivesLengthAndSender)
{
    const std::vector<uint8_t> join = datagramBytes(PACKET_MAGIC, 0xABCD, MSG_JOIN, patternBytes(NICKNAME_SIZE));
    ASSERT_EQ(28, participant.sendTo(endpointAddress(), join));

    uint8_t buffer[MAX_DATAGRAM] = {};
    SocketAddress sender{};
    ASSERT_EQ(28, receiveNext(buffer, sender));
    EXPECT_EQ(join, std::vector<uint8_t>(buffer, buffer + 28));
    EXPECT_TRUE(sameEndpoint(participant.address(), sender));

    // The magic alone is enough here; the length check belongs to the caller.
    ASSERT_EQ(4, participant.sendTo(endpointAddress(), "QUOX", 4));
    EXPECT_EQ(4, receiveNext(buffer, sender));
}

TEST_F(DatagramEndpointTest, ReceiveRejectsWrongMagicAndShortDatagrams)
{
    uint8_t buffer[MAX_DATAGRAM];
    SocketAddress sender;
    const std::vector<std::vector<uint8_t>> rejected = {
        datagramBytes(0x594F5551, 1, MSG_JOIN),  // "QUOY"
        datagramBytes(0x51554F58, 1, MSG_JOIN),  // "XOUQ": the magic in the other byte order
        {'Q', 'U', 'O'},
        {},
    };
    for (const std::vector<uint8_t>& datagram : rejected) {
        SCOPED_TRACE(testing::Message() << datagram.size() << "-byte datagram");
        // The buffer still holds the magic from an earlier datagram; a short one must not pass on it.
        std::memcpy(buffer, "QUOX", 4);
        ASSERT_EQ(static_cast<ssize_t>(datagram.size()), participant.sendTo(endpointAddress(), datagram));
        EXPECT_EQ(NET_FOREIGN_DATAGRAM, receiveNext(buffer, sender));
    }
}

TEST_F(DatagramEndpointTest, ReceiveFailsOnOversizedDatagramsAndWhenNothingWaits)
{
    uint8_t buffer[MAX_DATAGRAM];
    SocketAddress sender;
    EXPECT_EQ(NET_RECEIVE_FAILED, endpoint.Receive(buffer, sender));

    const std::vector<uint8_t> oversized = datagramBytes(PACKET_MAGIC, 1, MSG_VOICE, patternBytes(MAX_PAYLOAD + 1));
    const std::vector<uint8_t> largest = datagramBytes(PACKET_MAGIC, 2, MSG_VOICE, patternBytes(MAX_PAYLOAD));
    ASSERT_EQ(1025, participant.sendTo(endpointAddress(), oversized));
    ASSERT_EQ(1024, participant.sendTo(endpointAddress(), largest));
    EXPECT_EQ(NET_RECEIVE_FAILED, receiveNext(buffer, sender));
    ASSERT_EQ(1024, receiveNext(buffer, sender));
    EXPECT_EQ(largest, std::vector<uint8_t>(buffer, buffer + 1024));
    EXPECT_EQ(NET_RECEIVE_FAILED, endpoint.Receive(buffer, sender));
}
