// kovaro-relay seen from the wire: admission, the roster, refusals and the lifetime of the
// process. Every check compares whole datagrams byte for byte.

#include <signal.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "tests/integration/relay_host_fixture.h"

TEST_F(RelayHostTest, JoinerHearsItsOwnNameThenTheWelcomeAndEarlierParticipantsOnlyTheName)
{
    KeyedPeer alice = participant("127.0.0.2", 0x89ABCDEFu);
    const Bytes aliceName = wireNickname("alice");
    send(alice, wireCode(0, TYPE_JOIN), aliceName);
    // Spelled out once in full: magic, key EF CD AB 89, code 12 00 00 00, then 16 name bytes.
    EXPECT_TRUE(
        receivedNext(alice, Bytes{0x51, 0x55, 0x4F, 0x58, 0xEF, 0xCD, 0xAB, 0x89, 0x12, 0x00, 0x00, 0x00, 'a', 'l',
                                  'i',  'c',  'e',  0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0}));
    WireRoster roster;
    roster.entries[0] = aliceName;
    Bytes welcome = wireDatagram(alice.key, wireCode(0, TYPE_WELCOME), roster.bytes());
    ASSERT_EQ(welcome.size(), 268u);
    EXPECT_TRUE(receivedNext(alice, welcome));

    // Shift-JIS text filling all 16 bytes, with no terminating 0.
    KeyedPeer bob = participant("127.0.0.3", sessionKeyFor(1));
    const Bytes bobName{0x93, 0x63, 0x92, 0x86, 0x83, 0x5E, 0x83, 0x8D, 0x83, 0x45, '_', 'j', 'p', '-', '1', '6'};
    roster.entries[1] = bobName;
    EXPECT_TRUE(admitted(bob, bobName, 1, roster));
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(1, TYPE_PEER_NAME), bobName)));

    // Same address as alice with a key of its own: a second session. The name field travels
    // whole, bytes after its terminator included.
    KeyedPeer carol = participant("127.0.0.2", sessionKeyFor(2));
    const Bytes carolName{'c', 'a', 'r', 'o', 'l', 0, 'x', 'y', 'z', 0xFF, 0x01, 0, 0, 0, 0, 0x7F};
    roster.entries[2] = carolName;
    EXPECT_TRUE(admitted(carol, carolName, 2, roster));
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(2, TYPE_PEER_NAME), carolName)));
    EXPECT_TRUE(receivedNext(bob, wireDatagram(bob.key, wireCode(2, TYPE_PEER_NAME), carolName)));

    expectAllQuiet({&alice, &bob, &carol});
}

TEST_F(RelayHostTest, RepeatedJoinsAndRequestsOfStrangersGetNoAnswer)
{
    KeyedPeer alice = participant("127.0.0.2", sessionKeyFor(0));
    KeyedPeer bob = participant("127.0.0.3", sessionKeyFor(1));
    WireRoster roster;
    roster.entries[0] = wireNickname("alice");
    ASSERT_TRUE(admitted(alice, roster.entries[0], 0, roster));
    roster.entries[1] = wireNickname("bob");
    ASSERT_TRUE(admitted(bob, roster.entries[1], 1, roster));
    ASSERT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(1, TYPE_PEER_NAME), roster.entries[1])));

    // An admitted session joining again, even under another name.
    send(alice, wireCode(0, TYPE_JOIN), wireNickname("mallory"));
    send(alice, wireCode(0, TYPE_JOIN), roster.entries[0]);

    // Strangers: a join request whose code word is not exactly 0x10, and a ping.
    KeyedPeer stranger = participant("127.0.0.4", sessionKeyFor(2));
    const Bytes strangerName = wireNickname("stranger");
    send(stranger, 0x110u, strangerName);
    send(stranger, 0x00010010u, strangerName);
    send(stranger, 0x01000010u, strangerName);
    send(stranger, wireCode(0, TYPE_PING));
    send(stranger, wireCode(0, TYPE_ROSTER_REQUEST));
    // Alice's key from another address is somebody else.
    KeyedPeer impostor = participant("127.0.0.5", alice.key);
    send(impostor, wireCode(0, TYPE_PING));
    send(impostor, wireCode(0, TYPE_VOICE), wireVoiceFrame(1));
    expectAllQuiet({&alice, &bob, &stranger, &impostor});

    send(alice, wireCode(0, TYPE_ROSTER_REQUEST));
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(0, TYPE_WELCOME), roster.bytes())));

    // None of that took a slot: the stranger's proper join request gets the next one.
    roster.entries[2] = strangerName;
    EXPECT_TRUE(admitted(stranger, strangerName, 2, roster));
    EXPECT_TRUE(receivedNext(alice, wireDatagram(alice.key, wireCode(2, TYPE_PEER_NAME), strangerName)));
    EXPECT_TRUE(receivedNext(bob, wireDatagram(bob.key, wireCode(2, TYPE_PEER_NAME), strangerName)));
    expectAllQuiet({&alice, &bob, &stranger, &impostor});
}

TEST_F(RelayHostTest, SeventeenthParticipantIsRefusedWithItsOwnKeyAndTheOthersNoticeNothing)
{
    // Eight addresses, two sessions behind each, each session on a port of its own.
    std::vector<KeyedPeer> admittedOnes;
    WireRoster roster;
    for (int slot = 0; slot < 16; ++slot) {
        admittedOnes.push_back(participant("127.0.0." + std::to_string(1 + slot / 2), sessionKeyFor(slot)));
        roster.entries[slot] = wireNickname("member" + std::to_string(slot));
        ASSERT_TRUE(admitted(admittedOnes.back(), roster.entries[slot], static_cast<uint32_t>(slot), roster));
        for (int earlier = 0; earlier < slot; ++earlier) {
            KeyedPeer& hearer = admittedOnes[static_cast<size_t>(earlier)];
            ASSERT_TRUE(receivedNext(
                hearer,
                wireDatagram(hearer.key, wireCode(static_cast<uint32_t>(slot), TYPE_PEER_NAME), roster.entries[slot])));
        }
    }

    KeyedPeer late = participant("127.0.0.9", 0x01234567u);
    const Bytes refusal{0x51, 0x55, 0x4F, 0x58, 0x67, 0x45, 0x23, 0x01, 0x11, 0xFF, 0x00, 0x00};
    for (int attempt = 0; attempt < 3; ++attempt) {
        send(late, wireCode(0, TYPE_JOIN), wireNickname("late"));
        EXPECT_TRUE(receivedNext(late, refusal)) << "join request " << attempt;
        waitQuietPeriod();
        EXPECT_TRUE(nothingWaiting(late)) << "join request " << attempt;
    }
    // The refused sender left no trace: its ping is a stranger's.
    send(late, wireCode(0, TYPE_PING));
    waitQuietPeriod();
    EXPECT_TRUE(nothingWaiting(late));
    for (KeyedPeer& each : admittedOnes)
        EXPECT_TRUE(nothingWaiting(each));

    ASSERT_FALSE(HasFailure());

    KeyedPeer& last = admittedOnes[15];
    send(last, wireCode(0, TYPE_ROSTER_REQUEST));
    EXPECT_TRUE(receivedNext(last, wireDatagram(last.key, wireCode(15, TYPE_WELCOME), roster.bytes())));

    // A freed slot takes the next request.
    send(admittedOnes[5], wireCode(0, TYPE_LEAVE));
    for (size_t other = 0; other < admittedOnes.size(); ++other) {
        if (other != 5) {
            EXPECT_TRUE(
                receivedNext(admittedOnes[other], wireDatagram(admittedOnes[other].key, wireCode(5, TYPE_PEER_LEFT))));
        }
    }
    roster.entries[5] = wireNickname("late");
    EXPECT_TRUE(admitted(late, roster.entries[5], 5, roster));
    for (size_t other = 0; other < admittedOnes.size(); ++other) {
        if (other != 5) {
            EXPECT_TRUE(
                receivedNext(admittedOnes[other],
                             wireDatagram(admittedOnes[other].key, wireCode(5, TYPE_PEER_NAME), roster.entries[5])));
        }
    }
    // The one that left hears neither its own departure nor its successor.
    waitQuietPeriod();
    EXPECT_TRUE(nothingWaiting(late));
    for (KeyedPeer& each : admittedOnes)
        EXPECT_TRUE(nothingWaiting(each));
}

TEST_F(RelayHostTest, EndsWithExitCodeZeroOnSigint)
{
    KeyedPeer alice = participant("127.0.0.2", sessionKeyFor(0));
    WireRoster roster;
    roster.entries[0] = wireNickname("alice");
    ASSERT_TRUE(admitted(alice, roster.entries[0], 0, roster));

    int status = stopRelay(SIGINT);
    ASSERT_NE(status, -1) << "kovaro-relay did not end within the stop timeout";
    EXPECT_TRUE(WIFEXITED(status)) << "wait status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Stopping tells nobody anything.
    waitQuietPeriod();
    EXPECT_TRUE(nothingWaiting(alice));
}
