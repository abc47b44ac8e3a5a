#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "relay_server_fixture.h"

namespace {

using RelayServerTest = RelayServerFixture;

TEST_F(RelayServerTest, NotificationHalvesAndReceiveProblemsGiveTheirDebugLines)
{
    LoopbackPeer peer("127.0.0.1", 7);
    peer.send(MSG_JOIN, reinterpret_cast<const uint8_t*>("alice\0\0\0\0\0\0\0\0\0\0\0"), NICKNAME_SIZE, port);
    ASSERT_TRUE(waitReadable(server.endpoint.handle()));

    // An error half or another event receives nothing: the join still waits afterwards.
    server.HandleServerSocket(static_cast<intptr_t>(FD_READ | 10054u << 16));
    server.HandleServerSocket(0x0008);
    EXPECT_EQ(debugLines, "server ソケットエラー\n");
    EXPECT_FALSE(server.endpoint.IsSessionActive(0));
    server.HandleServerSocket(FD_READ);
    EXPECT_TRUE(server.endpoint.IsSessionActive(0));

    debugLines.clear();
    server.HandleServerSocket(FD_READ);  // nothing waits
    EXPECT_EQ(debugLines, "Server Recv失敗\n");

    debugLines.clear();
    const uint8_t wrongMagic[HEADER_SIZE] = {'Q', 'U', 'O', 'Y', 7, 0, 0, 0, MSG_PING, 0, 0, 0};
    peer.sendRaw(wrongMagic, sizeof wrongMagic, port);
    handleNext();
    const uint8_t magicOnly[6] = {'Q', 'U', 'O', 'X', 7, 0};
    peer.sendRaw(magicOnly, sizeof magicOnly, port);
    handleNext();
    EXPECT_EQ(debugLines, "Server ゴミpkt受信？\nServer ゴミpkt受信？\n");

    debugLines.clear();
    std::vector<uint8_t> oversized(MAX_DATAGRAM + 1, 0);
    writeHeader(oversized.data(), PacketHeader{PACKET_MAGIC, 7, MSG_PING});
    peer.sendRaw(oversized.data(), oversized.size(), port);
    handleNext();
    EXPECT_EQ(debugLines, "Server Recv失敗\n");
    // Welcome, own name: nothing else reached the peer (no pong for the cut datagram).
    EXPECT_EQ(peer.drain(2).size(), 2u);
}

TEST_F(RelayServerTest, ShortMessagesOnlyRefreshLiveness)
{
    LoopbackPeer stranger("127.0.0.2", 11);
    stranger.send(MSG_JOIN, reinterpret_cast<const uint8_t*>("bob"), 3, port);
    handleNext();
    EXPECT_FALSE(server.endpoint.IsSessionActive(0));
    EXPECT_TRUE(stranger.drain().empty());

    LoopbackPeer speaker("127.0.0.3", 12);
    join(speaker, "carol");
    ASSERT_EQ(speaker.drain(2).size(), 2u);
    uint8_t frame[VOICE_PAYLOAD_SIZE] = {};
    for (int sweep = 0; sweep < 5; ++sweep) {
        speaker.send(MSG_VOICE, frame, VOICE_PAYLOAD_SIZE - 1, port);
        handleNext();
        server.SweepPeers();
    }
    EXPECT_TRUE(server.endpoint.IsSessionActive(0));
    EXPECT_TRUE(speaker.drain().empty());
}

TEST_F(RelayServerTest, RepeatedJoinChangesNothing)
{
    LoopbackPeer peer("127.0.0.4", 21);
    join(peer, "dave");
    ASSERT_EQ(peer.drain(2).size(), 2u);
    join(peer, "somebody else");
    EXPECT_TRUE(peer.drain().empty());
    EXPECT_STREQ(reinterpret_cast<const char*>(server.roster.entries[0]), "dave");
    EXPECT_FALSE(server.endpoint.IsSessionActive(1));
}

TEST_F(RelayServerTest, SlotsExpiringTogetherAreAnnouncedInSlotOrderToTheOthersOnly)
{
    std::vector<std::unique_ptr<LoopbackPeer>> peers;
    for (uint32_t slot = 0; slot < 8; ++slot) {
        peers.push_back(std::make_unique<LoopbackPeer>("127.0.0.5", 100 + slot));
        join(*peers.back(), "p");
    }
    for (int sweep = 0; sweep < 3; ++sweep) {
        for (uint32_t slot = 0; slot < 8; ++slot) {
            if (slot != 1 && slot != 7)
                ping(*peers[slot]);
        }
        server.SweepPeers();
    }
    EXPECT_FALSE(server.endpoint.IsSessionActive(1));
    EXPECT_FALSE(server.endpoint.IsSessionActive(7));
    EXPECT_EQ(server.roster.entries[1][0], 0);
    EXPECT_EQ(server.roster.entries[7][0], 0);

    for (uint32_t slot = 0; slot < 8; ++slot) {
        std::vector<ReceivedDatagram> received = peers[slot]->drain(slot == 1 || slot == 7 ? 0 : 1);
        std::vector<uint32_t> left;
        for (const ReceivedDatagram& datagram : received) {
            if (codeType(datagram.code()) == MSG_PEER_LEFT) {
                EXPECT_EQ(datagram.bytes.size(), HEADER_SIZE);
                EXPECT_EQ(datagram.sessionKey(), peers[slot]->key);
                left.push_back(codeSlot(datagram.code()));
            }
        }
        if (slot == 1 || slot == 7)
            EXPECT_TRUE(left.empty()) << "slot " << slot;
        else
            EXPECT_EQ(left, (std::vector<uint32_t>{1, 7})) << "slot " << slot;
    }
}

TEST_F(RelayServerTest, SweepWithClosedSocketFreesSessionsAndSendsNothing)
{
    LoopbackPeer first("127.0.0.6", 1);
    LoopbackPeer second("127.0.0.6", 2);
    join(first, "first-name");
    join(second, "second");
    first.drain(3);
    second.drain(2);

    server.endpoint.Close();
    for (int sweep = 0; sweep < 3; ++sweep)
        server.SweepPeers();
    EXPECT_FALSE(server.endpoint.IsSessionActive(0));
    EXPECT_FALSE(server.endpoint.IsSessionActive(1));
    EXPECT_EQ(server.roster.entries[0][0], 0);
    EXPECT_EQ(std::memcmp(server.roster.entries[0] + 1, "irst-name", 9), 0);
    EXPECT_TRUE(first.drain().empty());
    EXPECT_TRUE(second.drain().empty());
}

TEST_F(RelayServerTest, SessionsSurviveReopeningTheSocket)
{
    LoopbackPeer peer("127.0.0.7", 5);
    join(peer, "erin");
    peer.drain(2);
    int oldPort = port;
    server.endpoint.Close();
    ASSERT_EQ(server.endpoint.Open(nullptr, WM_SERVER_SOCKET, oldPort), 0);
    ping(peer);
    std::vector<ReceivedDatagram> received = peer.drain(1);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].code(), makeCode(0, MSG_PONG));
}

}
