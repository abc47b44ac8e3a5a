#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "relay_server_fixture.h"

namespace {

using RelayServerTest = RelayServerFixture;

TEST_F(RelayServerTest, NotificationHalvesAndReceiveProblemsGiveTheirDebugLines)
{
    KeyedPeer peer("127.0.0.1", 7);
    peer.send(port, MSG_JOIN, wireNickname("alice"));
    ASSERT_TRUE(waitReadable(server.handle()));

    // An error half or another event receives nothing: the join still waits afterwards.
    server.HandleServerSocket(static_cast<intptr_t>(FD_READ | 10054u << 16));
    server.HandleServerSocket(0x0008);
    EXPECT_EQ(debugLines, "server ソケットエラー\n");
    EXPECT_FALSE(server.IsSessionActive(0));
    server.HandleServerSocket(FD_READ);
    EXPECT_TRUE(server.IsSessionActive(0));

    debugLines.clear();
    server.HandleServerSocket(FD_READ);  // nothing waits
    EXPECT_EQ(debugLines, "Server Recv失敗\n");

    debugLines.clear();
    peer.sendRaw(port, {'Q', 'U', 'O', 'Y', 7, 0, 0, 0, MSG_PING, 0, 0, 0});
    handleNext();
    peer.sendRaw(port, {'Q', 'U', 'O', 'X', 7, 0});
    handleNext();
    EXPECT_EQ(debugLines, "Server ゴミpkt受信？\nServer ゴミpkt受信？\n");

    debugLines.clear();
    Bytes oversized = wireDatagram(7, MSG_PING);
    oversized.resize(MAX_DATAGRAM + 1, 0);
    peer.sendRaw(port, oversized);
    handleNext();
    EXPECT_EQ(debugLines, "Server Recv失敗\n");
    // Welcome, own name: nothing else reached the peer (no pong for the cut datagram).
    EXPECT_EQ(peer.socket.drain(2).size(), 2u);
}

TEST_F(RelayServerTest, ShortMessagesOnlyRefreshLiveness)
{
    KeyedPeer stranger("127.0.0.2", 11);
    stranger.send(port, MSG_JOIN, Bytes{'b', 'o', 'b'});
    handleNext();
    EXPECT_FALSE(server.IsSessionActive(0));
    EXPECT_TRUE(stranger.socket.drain().empty());

    KeyedPeer speaker("127.0.0.3", 12);
    join(speaker, "carol");
    ASSERT_EQ(speaker.socket.drain(2).size(), 2u);
    const Bytes shortFrame(VOICE_PAYLOAD_SIZE - 1, 0);
    for (int sweep = 0; sweep < 5; ++sweep) {
        speaker.send(port, MSG_VOICE, shortFrame);
        handleNext();
        server.SweepPeers();
    }
    EXPECT_TRUE(server.IsSessionActive(0));
    EXPECT_TRUE(speaker.socket.drain().empty());
}

TEST_F(RelayServerTest, RepeatedJoinChangesNothing)
{
    KeyedPeer peer("127.0.0.4", 21);
    join(peer, "dave");
    ASSERT_EQ(peer.socket.drain(2).size(), 2u);
    join(peer, "somebody else");
    EXPECT_TRUE(peer.socket.drain().empty());
    EXPECT_STREQ(reinterpret_cast<const char*>(server.roster().entries[0]), "dave");
    EXPECT_FALSE(server.IsSessionActive(1));
}

TEST_F(RelayServerTest, SlotsExpiringTogetherAreAnnouncedInSlotOrderToTheOthersOnly)
{
    std::vector<std::unique_ptr<KeyedPeer>> peers;
    for (uint32_t slot = 0; slot < 8; ++slot) {
        peers.push_back(std::make_unique<KeyedPeer>("127.0.0.5", 100 + slot));
        join(*peers.back(), "p");
    }
    for (int sweep = 0; sweep < 3; ++sweep) {
        for (uint32_t slot = 0; slot < 8; ++slot) {
            if (slot != 1 && slot != 7)
                ping(*peers[slot]);
        }
        server.SweepPeers();
    }
    EXPECT_FALSE(server.IsSessionActive(1));
    EXPECT_FALSE(server.IsSessionActive(7));
    EXPECT_EQ(server.roster().entries[1][0], 0);
    EXPECT_EQ(server.roster().entries[7][0], 0);

    for (uint32_t slot = 0; slot < 8; ++slot) {
        std::vector<ReceivedDatagram> received = peers[slot]->socket.drain(slot == 1 || slot == 7 ? 0 : 1);
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
    KeyedPeer first("127.0.0.6", 1);
    KeyedPeer second("127.0.0.6", 2);
    join(first, "first-name");
    join(second, "second");
    first.socket.drain(3);
    second.socket.drain(2);

    server.Close();
    for (int sweep = 0; sweep < 3; ++sweep)
        server.SweepPeers();
    EXPECT_FALSE(server.IsSessionActive(0));
    EXPECT_FALSE(server.IsSessionActive(1));
    EXPECT_EQ(server.roster().entries[0][0], 0);
    EXPECT_EQ(std::memcmp(server.roster().entries[0] + 1, "irst-name", 9), 0);
    EXPECT_TRUE(first.socket.drain().empty());
    EXPECT_TRUE(second.socket.drain().empty());
}

TEST_F(RelayServerTest, SessionsSurviveReopeningTheSocket)
{
    KeyedPeer peer("127.0.0.7", 5);
    join(peer, "erin");
    peer.socket.drain(2);
    int oldPort = port;
    server.Close();
    ASSERT_EQ(server.Open(nullptr, oldPort), 0);
    ping(peer);
    std::vector<ReceivedDatagram> received = peer.socket.drain(1);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].code(), makeCode(0, MSG_PONG));
}

// A program listening in is told of admitted and repeated joins, leaves, expiry and voice,
// with the payloads as received.
TEST_F(RelayServerTest, ListenerHearsJoinsLeavesExpiryAndVoice)
{
    struct HeardLog final : RelayListener {
        std::vector<std::string> heard;
        void joined(int slot, const uint8_t* nickname) override
        {
            heard.push_back("join " + std::to_string(slot) + " " +
                            std::string(reinterpret_cast<const char*>(nickname), 16).c_str());
        }
        void left(int slot) override { heard.push_back("left " + std::to_string(slot)); }
        void voice(int slot, const uint8_t* frame) override
        {
            heard.push_back("voice " + std::to_string(slot) + " " + std::to_string(frame[VOICE_PAYLOAD_SIZE - 1]));
        }
    } listener;
    server.setListener(&listener);

    KeyedPeer first("127.0.0.8", 31);
    KeyedPeer second("127.0.0.8", 32);
    join(first, "first");
    join(second, "second");
    join(first, "renamed");
    Bytes frame(VOICE_PAYLOAD_SIZE, 0);
    frame.back() = 77;
    second.send(port, MSG_VOICE, frame);
    handleNext();
    first.send(port, MSG_LEAVE);
    handleNext();
    for (int sweep = 0; sweep < 3; ++sweep)
        server.SweepPeers();

    EXPECT_EQ(listener.heard, (std::vector<std::string>{"join 0 first", "join 1 second", "join 0 renamed", "voice 1 77",
                                                        "left 0", "left 1"}));
}

}
