// Random and mutated datagrams thrown at the relay server from several loopback peers.
// Every answer must be a well-formed datagram for its recipient, and the server must still
// admit and serve a newcomer afterwards.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "relay_server_fixture.h"

namespace {

using RelayFuzzTest = RelayServerFixture;

constexpr uint32_t FUZZ_KEYS[] = {0, 1, 0xFFFFFFFF, 0x584F5551, 42};

size_t expectedLength(uint32_t code)
{
    if (code == REFUSAL_CODE)
        return HEADER_SIZE;
    switch (codeType(code)) {
    case MSG_PEER_NAME:
        return HEADER_SIZE + NICKNAME_SIZE;
    case MSG_WELCOME:
        return HEADER_SIZE + ROSTER_SIZE;
    case MSG_VOICE_RELAY:
        return HEADER_SIZE + VOICE_PAYLOAD_SIZE;
    case MSG_PEER_LEFT:
    case MSG_PONG:
        return HEADER_SIZE;
    default:
        return 0;
    }
}

// A datagram that is sometimes valid, sometimes a valid one mutated, sometimes noise.
std::vector<uint8_t> makeDatagram(std::mt19937& random, uint32_t key)
{
    std::uniform_int_distribution<int> byte(0, 255);
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind == 0) {
        std::vector<uint8_t> noise(std::uniform_int_distribution<size_t>(0, 1100)(random));
        for (uint8_t& value : noise)
            value = static_cast<uint8_t>(byte(random));
        return noise;
    }
    static constexpr uint8_t types[] = {MSG_JOIN,    MSG_LEAVE,  MSG_PING, MSG_VOICE, MSG_ROSTER_REQUEST,
                                        MSG_WELCOME, MSG_ROSTER, 0,        200};
    const uint8_t type = types[std::uniform_int_distribution<size_t>(0, std::size(types) - 1)(random)];
    std::vector<uint8_t> datagram(requiredLength(type));
    if (type == MSG_WELCOME)
        datagram.resize(HEADER_SIZE);
    writeHeader(datagram.data(), PacketHeader{PACKET_MAGIC, key, type});
    for (size_t index = HEADER_SIZE; index < datagram.size(); ++index)
        datagram[index] = static_cast<uint8_t>(byte(random));
    if (kind >= 7) {
        // Mutations: truncation, a flipped byte, extra bytes.
        std::uniform_int_distribution<size_t> position(0, datagram.size());
        switch (kind) {
        case 7:
            datagram.resize(position(random));
            break;
        case 8:
            if (!datagram.empty())
                datagram[position(random) % datagram.size()] ^= static_cast<uint8_t>(1 + byte(random) % 255);
            break;
        default:
            datagram.resize(datagram.size() + position(random));
            break;
        }
    }
    return datagram;
}

TEST_F(RelayFuzzTest, RandomTrafficGetsOnlyWellFormedAnswersAndTheServerKeepsServing)
{
    const char* addresses[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"};
    std::vector<std::unique_ptr<KeyedPeer>> peers;
    for (const char* address : addresses)
        peers.push_back(std::make_unique<KeyedPeer>(address, 0));

    std::mt19937 random(20261207);
    std::vector<std::set<uint32_t>> keysUsed(peers.size());
    size_t answers = 0;
    for (int round = 0; round < 20000; ++round) {
        const size_t sender = std::uniform_int_distribution<size_t>(0, peers.size() - 1)(random);
        const uint32_t key = FUZZ_KEYS[std::uniform_int_distribution<size_t>(0, std::size(FUZZ_KEYS) - 1)(random)];
        const std::vector<uint8_t> datagram = makeDatagram(random, key);
        if (datagram.size() >= 8)
            keysUsed[sender].insert(loadLe32(datagram.data() + 4));
        peers[sender]->sendRaw(port, datagram);
        handleNext();
        if (round % 97 == 0)
            server.SweepPeers();

        for (size_t recipient = 0; recipient < peers.size(); ++recipient) {
            for (const ReceivedDatagram& answer : peers[recipient]->socket.drain()) {
                ++answers;
                ASSERT_GE(answer.bytes.size(), HEADER_SIZE);
                EXPECT_EQ(loadLe32(answer.bytes.data()), PACKET_MAGIC);
                EXPECT_TRUE(keysUsed[recipient].count(answer.sessionKey()));
                EXPECT_EQ(answer.code() >> 16, 0u);
                EXPECT_TRUE(codeSlot(answer.code()) < SLOT_COUNT || answer.code() == REFUSAL_CODE);
                EXPECT_EQ(answer.bytes.size(), expectedLength(answer.code())) << "code " << answer.code();
            }
        }
        if (HasFailure())
            return;
    }
    EXPECT_GT(answers, 100u);

    for (int sweep = 0; sweep < 3; ++sweep)
        server.SweepPeers();
    for (int slot = 0; slot < static_cast<int>(SLOT_COUNT); ++slot)
        EXPECT_FALSE(server.IsSessionActive(slot));
    for (auto& peer : peers)
        peer->socket.drain();

    KeyedPeer newcomer("127.0.0.9", 77);
    join(newcomer, "newcomer");
    std::vector<ReceivedDatagram> welcome = newcomer.socket.drain(2);
    ASSERT_EQ(welcome.size(), 2u);
    EXPECT_EQ(welcome[0].code(), makeCode(0, MSG_PEER_NAME));
    EXPECT_EQ(welcome[1].code(), makeCode(0, MSG_WELCOME));
    EXPECT_EQ(std::memcmp(welcome[1].bytes.data() + HEADER_SIZE, "newcomer", 9), 0);
}

}
