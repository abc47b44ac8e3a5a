// kovaro-relay on hostile or broken input: nothing is answered, nobody is admitted, nothing is
// relayed, and the server goes on serving afterwards.

#include <random>

#include "tests/integration/relay_host_fixture.h"

namespace {

constexpr size_t OVERSIZE_LENGTHS[] = {1025, 65507};

Bytes randomBytes(std::mt19937& random, size_t length)
{
    Bytes bytes(length);
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(random());
    return bytes;
}

// A datagram with a valid magic that still is no proper join request: a random key and a
// random code word other than 0x10, and random payload of random length.
Bytes randomStrangerDatagram(std::mt19937& random)
{
    uint32_t code = static_cast<uint32_t>(random());
    if (code == TYPE_JOIN)
        code = 0x110;
    return wireDatagram(static_cast<uint32_t>(random()), code, randomBytes(random, random() % 300));
}

Bytes oversized(uint32_t key, uint32_t code, const Bytes& payload, size_t length)
{
    Bytes bytes = wireDatagram(key, code, payload);
    bytes.resize(length, 0x5A);
    return bytes;
}

}

TEST_F(RelayHostTest, JunkFromStrangersAdmitsNobodyAndTheServerGoesOn)
{
    std::mt19937 random(20261207);
    KeyedPeer stranger = participant("127.0.0.7", sessionKeyFor(7));
    KeyedPeer other = participant("127.0.0.8", sessionKeyFor(8));
    const Bytes name = wireNickname("intruder");

    // Wrong magic, each an otherwise perfect join request; each logs one line.
    waitQuietPeriod();
    const int garbageBefore = relay.countStderrLines(GARBAGE_LINE);
    for (const Bytes& magic : {Bytes{'Q', 'U', 'O', 'Y'}, Bytes{'q', 'u', 'o', 'x'}, Bytes{'X', 'O', 'U', 'Q'}}) {
        Bytes join = wireDatagram(stranger.key, wireCode(0, TYPE_JOIN), name);
        std::copy(magic.begin(), magic.end(), join.begin());
        sendRaw(stranger, join);
    }
    EXPECT_TRUE(relay.waitForStderrLines(GARBAGE_LINE, garbageBefore + 3, ARRIVAL_TIMEOUT_MS)) << "standard error:\n"
                                                                                               << relay.stderrText();

    // Too short for a header: empty, 1 to 3 bytes, 11 bytes.
    Bytes almostHeader = wireDatagram(stranger.key, wireCode(0, TYPE_JOIN));
    almostHeader.pop_back();
    for (const Bytes& tiny : {Bytes{}, Bytes{'Q'}, Bytes{'Q', 'U'}, Bytes{'Q', 'U', 'O'}, almostHeader})
        sendRaw(stranger, tiny);

    // Header only, with a proper join code word and with random ones.
    send(stranger, wireCode(0, TYPE_JOIN));
    for (int i = 0; i < 100; ++i)
        send(stranger, static_cast<uint32_t>(random()));

    // Join requests cut short anywhere inside the nickname.
    for (size_t length = 0; length < WIRE_NAME_BYTES; ++length)
        send(other, wireCode(0, TYPE_JOIN), Bytes(name.begin(), name.begin() + static_cast<long>(length)));

    // Oversized join requests are receive failures, never joins cut to size.
    waitQuietPeriod();
    const int failuresBefore = relay.countStderrLines(RECEIVE_FAILURE_LINE);
    for (size_t length : OVERSIZE_LENGTHS)
        sendRaw(stranger, oversized(stranger.key, wireCode(0, TYPE_JOIN), name, length));
    EXPECT_TRUE(relay.waitForStderrLines(RECEIVE_FAILURE_LINE, failuresBefore + 2, ARRIVAL_TIMEOUT_MS))
        << "standard error:\n"
        << relay.stderrText();

    // Bursts of noise from both.
    for (int i = 0; i < 300; ++i) {
        const KeyedPeer& from = i % 2 == 0 ? stranger : other;
        sendRaw(from, i % 3 == 0 ? randomStrangerDatagram(random) : randomBytes(random, random() % 1100));
    }
    expectAllQuiet({&stranger, &other});

    // Nobody took a slot: a proper join request gets slot 0 and a roster of one name.
    KeyedPeer joiner = participant("127.0.0.9", sessionKeyFor(9));
    WireRoster roster;
    roster.entries[0] = wireNickname("joiner");
    EXPECT_TRUE(admitted(joiner, roster.entries[0], 0, roster));
    send(joiner, wireCode(0, TYPE_PING));
    EXPECT_TRUE(receivedNext(joiner, wireDatagram(joiner.key, wireCode(0, TYPE_PONG))));
    expectAllQuiet({&stranger, &other, &joiner});
}

TEST_F(RelayHostTest, MalformedMessagesOfAdmittedParticipantsGetNoReaction)
{
    std::mt19937 random(4242);
    WireRoster roster;
    std::vector<KeyedPeer> all = admitAll({"speaker", "listener"}, roster);
    ASSERT_FALSE(HasFailure());
    KeyedPeer& speaker = all[0];
    KeyedPeer& listener = all[1];
    const Bytes frame = wireVoiceFrame(5);

    // Voice frames cut short, down to the bare header, are not relayed.
    for (size_t length : {0u, 1u, 100u, 253u})
        send(speaker, wireCode(0, TYPE_VOICE), Bytes(frame.begin(), frame.begin() + static_cast<long>(length)));
    // Types without a reaction, including the ones only the server sends.
    for (uint32_t code : {uint32_t{TYPE_ROSTER}, 200u, 0u, 0xFFu, uint32_t{TYPE_WELCOME}, uint32_t{TYPE_PEER_NAME},
                          uint32_t{TYPE_PEER_LEFT}, uint32_t{TYPE_PONG}, uint32_t{TYPE_VOICE_RELAY}}) {
        send(speaker, code);
        send(speaker, code, Bytes(256, 0x11));
    }
    // Oversized voice is a receive failure, not a frame to relay.
    waitQuietPeriod();
    const int failuresBefore = relay.countStderrLines(RECEIVE_FAILURE_LINE);
    for (size_t length : OVERSIZE_LENGTHS)
        sendRaw(speaker, oversized(speaker.key, wireCode(0, TYPE_VOICE), frame, length));
    EXPECT_TRUE(relay.waitForStderrLines(RECEIVE_FAILURE_LINE, failuresBefore + 2, ARRIVAL_TIMEOUT_MS))
        << "standard error:\n"
        << relay.stderrText();
    // Noise under the speaker's own key, avoiding the types that do have a reaction.
    for (int i = 0; i < 200; ++i) {
        uint32_t code = static_cast<uint32_t>(random());
        const uint8_t type = static_cast<uint8_t>(code);
        if (type == TYPE_LEAVE || type == TYPE_PING || type == TYPE_VOICE || type == TYPE_ROSTER_REQUEST)
            code ^= 0x80u;
        send(speaker, code, randomBytes(random, random() % 1013));
    }
    expectAllQuiet({&speaker, &listener});

    // Still serving both, and still admitting.
    send(speaker, wireCode(0, TYPE_VOICE), frame);
    EXPECT_TRUE(receivedNext(speaker, wireDatagram(speaker.key, wireCode(0, TYPE_VOICE_RELAY), frame)));
    EXPECT_TRUE(receivedNext(listener, wireDatagram(listener.key, wireCode(0, TYPE_VOICE_RELAY), frame)));
    send(listener, wireCode(0, TYPE_PING));
    EXPECT_TRUE(receivedNext(listener, wireDatagram(listener.key, wireCode(1, TYPE_PONG))));
    send(speaker, wireCode(0, TYPE_ROSTER_REQUEST));
    EXPECT_TRUE(receivedNext(speaker, wireDatagram(speaker.key, wireCode(0, TYPE_WELCOME), roster.bytes())));
    KeyedPeer latecomer = participant("127.0.0.9", sessionKeyFor(9));
    roster.entries[2] = wireNickname("latecomer");
    EXPECT_TRUE(admitted(latecomer, roster.entries[2], 2, roster));
    EXPECT_TRUE(receivedNext(speaker, wireDatagram(speaker.key, wireCode(2, TYPE_PEER_NAME), roster.entries[2])));
    EXPECT_TRUE(receivedNext(listener, wireDatagram(listener.key, wireCode(2, TYPE_PEER_NAME), roster.entries[2])));
    expectAllQuiet({&speaker, &listener, &latecomer});
}
