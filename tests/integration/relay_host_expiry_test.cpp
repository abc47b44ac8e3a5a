// kovaro-relay's liveness sweep: silent sessions are freed and announced; any datagram of a
// session, whatever its type, keeps it admitted. Runs on real seconds, all cases at once.

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <thread>

#include "tests/integration/relay_host_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int SEND_INTERVAL_MS = 200;
// The active ones keep going for some sweeps after the departures, well over three in all.
constexpr auto OBSERVE_AFTER_DEPARTURES = std::chrono::milliseconds(2500);
constexpr auto GIVE_UP_AFTER = std::chrono::seconds(12);

long countOf(const std::vector<Bytes>& heard, const Bytes& datagram)
{
    return std::count(heard.begin(), heard.end(), datagram);
}

// Position of the first copy, or heard.size() when there is none.
size_t positionOf(const std::vector<Bytes>& heard, const Bytes& datagram)
{
    return static_cast<size_t>(std::find(heard.begin(), heard.end(), datagram) - heard.begin());
}

}

TEST_F(RelayHostTest, SilentParticipantsExpireWhileAnyDatagramKeepsTheOthersAdmitted)
{
    WireRoster roster;
    std::vector<KeyedPeer> all = admitAll({"keeper", "silent-one", "talker", "mumbler", "silent-four"}, roster);
    ASSERT_FALSE(HasFailure());
    KeyedPeer& keeper = all[0];  // pings only
    KeyedPeer& silentOne = all[1];
    KeyedPeer& talker = all[2];   // sends voice only, never pings
    KeyedPeer& mumbler = all[3];  // sends only what has no reaction
    KeyedPeer& silentFour = all[4];

    // The two silent ones speak for the last time, back to back.
    send(silentOne, wireCode(0, TYPE_PING));
    send(silentFour, wireCode(0, TYPE_PING));
    const Clock::time_point lastSilentDatagram = Clock::now();
    ASSERT_TRUE(receivedNext(silentOne, wireDatagram(silentOne.key, wireCode(1, TYPE_PONG))));
    ASSERT_TRUE(receivedNext(silentFour, wireDatagram(silentFour.key, wireCode(4, TYPE_PONG))));

    const Bytes frame = wireVoiceFrame(42);
    const std::array<Bytes, 4> mumbles{wireDatagram(mumbler.key, wireCode(0, TYPE_ROSTER)),
                                       wireDatagram(mumbler.key, 200u, Bytes(20, 0x55)),
                                       wireDatagram(mumbler.key, wireCode(0, TYPE_VOICE), Bytes(100, 0x33)),
                                       wireDatagram(mumbler.key, wireCode(0, TYPE_JOIN), Bytes(10, 'm'))};
    const Bytes keeperHearsOneLeave = wireDatagram(keeper.key, wireCode(1, TYPE_PEER_LEFT));
    const Bytes keeperHearsFourLeave = wireDatagram(keeper.key, wireCode(4, TYPE_PEER_LEFT));

    std::vector<std::vector<Bytes>> heard(all.size());
    long pings = 0;
    long voices = 0;
    std::optional<Clock::time_point> firstDepartureSeen;
    std::optional<Clock::time_point> bothDeparturesSeen;
    const Clock::time_point giveUp = Clock::now() + GIVE_UP_AFTER;
    for (size_t round = 0; Clock::now() < giveUp; ++round) {
        send(keeper, wireCode(0, TYPE_PING));
        ++pings;
        send(talker, wireCode(0, TYPE_VOICE), frame);
        ++voices;
        sendRaw(mumbler, mumbles[round % mumbles.size()]);
        std::this_thread::sleep_for(std::chrono::milliseconds(SEND_INTERVAL_MS));
        for (size_t i = 0; i < all.size(); ++i) {
            for (ReceivedDatagram& waiting : all[i].socket.drain())
                heard[i].push_back(std::move(waiting.bytes));
        }
        const bool oneLeft = countOf(heard[0], keeperHearsOneLeave) > 0;
        const bool fourLeft = countOf(heard[0], keeperHearsFourLeave) > 0;
        if ((oneLeft || fourLeft) && !firstDepartureSeen)
            firstDepartureSeen = Clock::now();
        if (oneLeft && fourLeft && !bothDeparturesSeen)
            bothDeparturesSeen = Clock::now();
        if (bothDeparturesSeen && Clock::now() - *bothDeparturesSeen > OBSERVE_AFTER_DEPARTURES)
            break;
    }
    ASSERT_TRUE(bothDeparturesSeen) << "the silent participants were never announced as gone";
    // A lower bound only, which a slow machine cannot break: the sweep can only be late.
    EXPECT_GE(*firstDepartureSeen - lastSilentDatagram, std::chrono::milliseconds(1000))
        << "a silent participant was dropped before its countdown of three sweeps could run out";

    // Everybody still admitted heard each departure once, slot 1 before slot 4, and nothing
    // but departures, pongs and the talker's voice.
    for (size_t stayer : {0u, 2u, 3u}) {
        SCOPED_TRACE("participant in slot " + std::to_string(stayer));
        const Bytes oneLeave = wireDatagram(all[stayer].key, wireCode(1, TYPE_PEER_LEFT));
        const Bytes fourLeave = wireDatagram(all[stayer].key, wireCode(4, TYPE_PEER_LEFT));
        const Bytes pong = wireDatagram(all[stayer].key, wireCode(static_cast<uint32_t>(stayer), TYPE_PONG));
        const Bytes voice = wireDatagram(all[stayer].key, wireCode(2, TYPE_VOICE_RELAY), frame);
        EXPECT_EQ(countOf(heard[stayer], oneLeave), 1);
        EXPECT_EQ(countOf(heard[stayer], fourLeave), 1);
        EXPECT_LT(positionOf(heard[stayer], oneLeave), positionOf(heard[stayer], fourLeave));
        EXPECT_EQ(countOf(heard[stayer], voice), voices);
        EXPECT_EQ(countOf(heard[stayer], pong), stayer == 0 ? pings : 0);
        EXPECT_EQ(countOf(heard[stayer], oneLeave) + countOf(heard[stayer], fourLeave) + countOf(heard[stayer], voice) +
                      countOf(heard[stayer], pong),
                  static_cast<long>(heard[stayer].size()))
            << "unexpected datagrams";
    }
    // Freed in the same sweep, the silent ones hear neither their own departure nor each other's.
    for (size_t silent : {1u, 4u}) {
        SCOPED_TRACE("silent participant in slot " + std::to_string(silent));
        for (uint32_t slot = 0; slot < WIRE_SLOTS; ++slot)
            EXPECT_EQ(countOf(heard[silent], wireDatagram(all[silent].key, wireCode(slot, TYPE_PEER_LEFT))), 0);
    }

    // Freed slots hear no more broadcasts; the voice-only and the junk-only sessions are served.
    send(talker, wireCode(0, TYPE_VOICE), frame);
    for (size_t stayer : {0u, 2u, 3u})
        EXPECT_TRUE(receivedNext(all[stayer], wireDatagram(all[stayer].key, wireCode(2, TYPE_VOICE_RELAY), frame)));
    send(talker, wireCode(0, TYPE_PING));
    EXPECT_TRUE(receivedNext(talker, wireDatagram(talker.key, wireCode(2, TYPE_PONG))));
    send(mumbler, wireCode(0, TYPE_PING));
    EXPECT_TRUE(receivedNext(mumbler, wireDatagram(mumbler.key, wireCode(3, TYPE_PONG))));
    send(silentOne, wireCode(0, TYPE_PING));
    expectAllQuiet({&keeper, &silentOne, &talker, &mumbler, &silentFour});

    // Expiry clears only the first byte of a name, and the freed slot goes to the next joiner.
    roster.entries[1][0] = 0;
    roster.entries[4][0] = 0;
    send(keeper, wireCode(0, TYPE_ROSTER_REQUEST));
    EXPECT_TRUE(receivedNext(keeper, wireDatagram(keeper.key, wireCode(0, TYPE_WELCOME), roster.bytes())));
    roster.entries[1] = wireNickname("back again");
    EXPECT_TRUE(admitted(silentOne, roster.entries[1], 1, roster));
}
