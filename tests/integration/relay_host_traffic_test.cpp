// kovaro-relay's answers to admitted participants: pong, voice relay, roster, leave, and a
// session that speaks from another port.

#include "tests/integration/relay_host_fixture.h"

TEST_F(RelayHostTest, PingIsAnsweredWithPongToTheSenderOnly)
{
    WireRoster roster;
    std::vector<KeyedPeer> all = admitAll({"alice", "bob"}, roster);
    KeyedPeer& alice = all[0];
    KeyedPeer& bob = all[1];

    send(bob, wireCode(0, TYPE_PING));
    EXPECT_TRUE(receivedNext(bob, wireDatagram(bob.key, wireCode(1, TYPE_PONG))));
    const Bytes pong = wireDatagram(bob.key, wireCode(1, TYPE_PONG));
    EXPECT_EQ(pong.size(), 12u);
    EXPECT_EQ(hexBytes(Bytes(pong.begin() + 8, pong.end())), "16 01 00 00");
    // A known sender's type is the low byte alone; slot field, upper bytes and any extra
    // payload make no difference.
    send(alice, 0x12340715u);
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(0, TYPE_PONG))));
    send(alice, wireCode(0, TYPE_PING), Bytes(40, 0xAA));
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(0, TYPE_PONG))));
    expectAllQuiet({&alice, &bob});
}

TEST_F(RelayHostTest, RosterRequestIsAnsweredWithWelcomeToTheSenderOnly)
{
    WireRoster roster;
    std::vector<KeyedPeer> all = admitAll({"alice", "bob", "carol"}, roster);
    send(all[1], wireCode(0, TYPE_ROSTER_REQUEST));
    const Bytes welcome = wireDatagram(all[1].key, wireCode(1, TYPE_WELCOME), roster.bytes());
    EXPECT_EQ(welcome.size(), 268u);
    EXPECT_TRUE(receivedNext(all[1], welcome));
    send(all[2], 0x00FF0019u);
    EXPECT_TRUE(receivedNext(all[2], wireDatagram(all[2].key, wireCode(2, TYPE_WELCOME), roster.bytes())));
    expectAllQuiet({&all[0], &all[1], &all[2]});
}

TEST_F(RelayHostTest, VoiceIsRelayedToEveryParticipantWithTheSpeakersSlotAndEachOwnKey)
{
    WireRoster roster;
    std::vector<KeyedPeer> all = admitAll({"alice", "bob", "carol"}, roster);

    ASSERT_FALSE(HasFailure());
    const Bytes frame = wireVoiceFrame(7);
    send(all[1], wireCode(0, TYPE_VOICE), frame);
    for (KeyedPeer& hearer : all) {
        const Bytes relayed = wireDatagram(hearer.key, wireCode(1, TYPE_VOICE_RELAY), frame);
        EXPECT_EQ(relayed.size(), 266u);
        EXPECT_TRUE(receivedNext(hearer, relayed));
    }

    // A longer datagram, up to the 1024-byte limit, still relays exactly the 254 frame bytes.
    const Bytes secondFrame = wireVoiceFrame(99);
    Bytes padded = secondFrame;
    padded.resize(1024 - WIRE_HEADER_BYTES, 0xEE);
    send(all[2], wireCode(0, TYPE_VOICE), padded);
    for (KeyedPeer& hearer : all)
        EXPECT_TRUE(receivedNext(hearer, wireDatagram(hearer.key, wireCode(2, TYPE_VOICE_RELAY), secondFrame)));

    // Frames keep their order per speaker.
    for (uint8_t seed = 20; seed < 24; ++seed)
        send(all[0], wireCode(0, TYPE_VOICE), wireVoiceFrame(seed));
    for (KeyedPeer& hearer : all) {
        for (uint8_t seed = 20; seed < 24; ++seed)
            EXPECT_TRUE(
                receivedNext(hearer, wireDatagram(hearer.key, wireCode(0, TYPE_VOICE_RELAY), wireVoiceFrame(seed))));
    }
    expectAllQuiet({&all[0], &all[1], &all[2]});
}

TEST_F(RelayHostTest, LeaveAnnouncesTheSlotToTheOthersAndFreesItForTheNextJoiner)
{
    WireRoster roster;
    std::vector<KeyedPeer> all = admitAll({"anna", "bernadette12345", "chiara", "dora"}, roster);
    KeyedPeer& leaver = all[1];

    send(leaver, wireCode(0, TYPE_LEAVE));
    for (size_t other : {0u, 2u, 3u})
        EXPECT_TRUE(receivedNext(all[other], wireDatagram(all[other].key, wireCode(1, TYPE_PEER_LEFT))));
    const Bytes peerLeft = wireDatagram(all[0].key, wireCode(1, TYPE_PEER_LEFT));
    EXPECT_EQ(hexBytes(Bytes(peerLeft.begin() + 8, peerLeft.end())), "14 01 00 00");
    // The leaver is a stranger now: no pong, and a second leave announces nothing.
    send(leaver, wireCode(0, TYPE_PING));
    send(leaver, wireCode(0, TYPE_LEAVE));
    expectAllQuiet({&all[0], &all[1], &all[2], &all[3]});

    // Only the first byte of the freed entry is cleared.
    roster.entries[1][0] = 0;
    send(all[0], wireCode(0, TYPE_ROSTER_REQUEST));
    EXPECT_TRUE(receivedNext(all[0], wireDatagram(all[0].key, wireCode(0, TYPE_WELCOME), roster.bytes())));

    KeyedPeer eve = participant("127.0.0.10", sessionKeyFor(10));
    roster.entries[1] = wireNickname("eve");
    EXPECT_TRUE(admitted(eve, roster.entries[1], 1, roster));
    for (size_t other : {0u, 2u, 3u})
        EXPECT_TRUE(
            receivedNext(all[other], wireDatagram(all[other].key, wireCode(1, TYPE_PEER_NAME), roster.entries[1])));

    // With slots 0 and 3 free, joiners fill 0 first, then 3.
    send(all[3], wireCode(0, TYPE_LEAVE));
    send(all[0], wireCode(0, TYPE_LEAVE));
    EXPECT_TRUE(receivedNext(all[2], wireDatagram(all[2].key, wireCode(3, TYPE_PEER_LEFT))));
    EXPECT_TRUE(receivedNext(all[2], wireDatagram(all[2].key, wireCode(0, TYPE_PEER_LEFT))));
    EXPECT_TRUE(receivedNext(eve, wireDatagram(eve.key, wireCode(3, TYPE_PEER_LEFT))));
    EXPECT_TRUE(receivedNext(eve, wireDatagram(eve.key, wireCode(0, TYPE_PEER_LEFT))));
    // Anna, who left second, still heard Dora leave first.
    EXPECT_TRUE(receivedNext(all[0], wireDatagram(all[0].key, wireCode(3, TYPE_PEER_LEFT))));
    roster.entries[3][0] = 0;
    roster.entries[0] = wireNickname("frank");
    KeyedPeer frank = participant("127.0.0.11", sessionKeyFor(11));
    EXPECT_TRUE(admitted(frank, roster.entries[0], 0, roster));
    roster.entries[3] = wireNickname("gina");
    KeyedPeer gina = participant("127.0.0.12", sessionKeyFor(12));
    EXPECT_TRUE(admitted(gina, roster.entries[3], 3, roster));
    EXPECT_TRUE(receivedNext(frank, wireDatagram(frank.key, wireCode(3, TYPE_PEER_NAME), roster.entries[3])));
    for (KeyedPeer* stayer : {&all[2], &eve}) {
        EXPECT_TRUE(receivedNext(*stayer, wireDatagram(stayer->key, wireCode(0, TYPE_PEER_NAME), roster.entries[0])));
        EXPECT_TRUE(receivedNext(*stayer, wireDatagram(stayer->key, wireCode(3, TYPE_PEER_NAME), roster.entries[3])));
    }
    expectAllQuiet({&all[0], &all[1], &all[2], &all[3], &eve, &frank, &gina});
}

TEST_F(RelayHostTest, AnotherSourcePortOfTheSameAddressAndKeyIsTheSameSession)
{
    WireRoster roster;
    std::vector<KeyedPeer> all = admitAll({"alice", "bob"}, roster);
    KeyedPeer& alice = all[0];
    KeyedPeer& bob = all[1];
    KeyedPeer aliceElsewhere = participant(alice.socket.ipv4(), alice.key);
    ASSERT_NE(aliceElsewhere.socket.port(), alice.socket.port());

    // Answers go to the port recorded at admission.
    send(aliceElsewhere, wireCode(0, TYPE_PING));
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(0, TYPE_PONG))));
    const Bytes frame = wireVoiceFrame(3);
    send(aliceElsewhere, wireCode(0, TYPE_VOICE), frame);
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(0, TYPE_VOICE_RELAY), frame)));
    EXPECT_TRUE(receivedNext(bob, wireDatagram(bob.key, wireCode(0, TYPE_VOICE_RELAY), frame)));
    // Already admitted: a join request from the other port takes no slot.
    send(aliceElsewhere, wireCode(0, TYPE_JOIN), wireNickname("alice2"));
    // Same address and port, another key: a stranger.
    sendRaw(alice, wireDatagram(alice.key ^ 0x00010000u, wireCode(0, TYPE_PING)));
    expectAllQuiet({&alice, &bob, &aliceElsewhere});

    send(aliceElsewhere, wireCode(0, TYPE_LEAVE));
    EXPECT_TRUE(receivedNext(bob, wireDatagram(bob.key, wireCode(0, TYPE_PEER_LEFT))));
    expectAllQuiet({&alice, &bob, &aliceElsewhere});
}
