// Session lookup, slot allocation and liveness countdowns of the peer table.

#include <gtest/gtest.h>

#include <cstring>

#include "net/peer_table.h"
#include "tests/support/udp_peer.h"

constexpr int32_t SERVER_CAPACITY = 16;
constexpr int32_t SERVER_COUNTDOWN = 3;

TEST(PeerTable, FindSessionComparesOnlyIpv4AddressAndKey)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    ASSERT_EQ(0, table.AddSession(ipv4Address("127.0.0.2", 5000), 0xA1));

    SocketAddress otherPortNoFamily = ipv4Address("127.0.0.2", 6000);
    otherPortNoFamily.sin_family = AF_UNSPEC;
    EXPECT_EQ(0, table.FindSession(otherPortNoFamily, 0xA1));

    EXPECT_EQ(NET_NO_SESSION, table.FindSession(ipv4Address("127.0.0.2", 5000), 0xA2));
    EXPECT_EQ(NET_NO_SESSION, table.FindSession(ipv4Address("127.0.0.3", 5000), 0xA1));
}

TEST(PeerTable, OneAddressWithTwoKeysHoldsTwoSessions)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    const SocketAddress shared = ipv4Address("127.0.0.2", 5000);
    ASSERT_EQ(0, table.AddSession(shared, 1));
    ASSERT_EQ(1, table.AddSession(shared, 2));
    EXPECT_EQ(0, table.FindSession(shared, 1));
    EXPECT_EQ(1, table.FindSession(shared, 2));
}

TEST(PeerTable, FindSessionSkipsFreedSlotsAndTakesTheLowestActive)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    const SocketAddress address = ipv4Address("127.0.0.2", 5000);
    // AddSession does not look for an existing session: the same pair takes two slots.
    ASSERT_EQ(0, table.AddSession(address, 7));
    ASSERT_EQ(1, table.AddSession(address, 7));
    EXPECT_EQ(0, table.FindSession(address, 7));

    ASSERT_EQ(0, table.RemoveSession(0));
    EXPECT_EQ(1, table.FindSession(address, 7));
    ASSERT_EQ(0, table.RemoveSession(1));
    EXPECT_EQ(NET_NO_SESSION, table.FindSession(address, 7));
}

TEST(PeerTable, AddSessionTakesTheLowestFreeSlot)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    for (int slot = 0; slot < 4; ++slot) {
        ASSERT_EQ(slot, table.AddSession(ipv4Address("127.0.0.2", static_cast<uint16_t>(5000 + slot)), 100u + slot));
    }
    ASSERT_EQ(0, table.RemoveSession(1));
    EXPECT_FALSE(table.IsSessionActive(1));

    EXPECT_EQ(1, table.AddSession(ipv4Address("127.0.0.9", 9000), 999));
    EXPECT_EQ(999, table.GetSessionKey(1));
    SocketAddress stored;
    ASSERT_EQ(0, table.GetSessionAddress(1, stored));
    EXPECT_EQ(ipv4Address("127.0.0.9", 9000).sin_addr.s_addr, stored.sin_addr.s_addr);
    EXPECT_EQ(htons(9000), stored.sin_port);

    EXPECT_EQ(4, table.AddSession(ipv4Address("127.0.0.9", 9001), 1000));
}

TEST(PeerTable, FullTableRefusesAndKeepsItsSessions)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    for (int slot = 0; slot < SERVER_CAPACITY; ++slot) {
        ASSERT_EQ(slot, table.AddSession(ipv4Address("127.0.0.2", 5000), 100u + slot));
    }
    EXPECT_EQ(NET_NO_SESSION, table.AddSession(ipv4Address("127.0.0.3", 5000), 555));
    EXPECT_EQ(NET_NO_SESSION, table.FindSession(ipv4Address("127.0.0.3", 5000), 555));
    for (int slot = 0; slot < SERVER_CAPACITY; ++slot) {
        EXPECT_EQ(100 + slot, table.GetSessionKey(slot));
    }

    PeerTable single(1, 5);
    ASSERT_EQ(0, single.AddSession(ipv4Address("127.0.0.2", 5000), 1));
    EXPECT_EQ(NET_NO_SESSION, single.AddSession(ipv4Address("127.0.0.3", 5000), 2));
    EXPECT_EQ(1, single.GetSessionKey(0));
}

TEST(PeerTable, TouchRefreshesOnlyActiveSlots)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    ASSERT_EQ(0, table.AddSession(ipv4Address("127.0.0.2", 5000), 1));

    EXPECT_EQ(NET_NO_SESSION, table.TouchSession(3));
    EXPECT_FALSE(table.IsSessionActive(3));
    EXPECT_EQ(NET_NO_SESSION, table.TouchSession(-1));
    EXPECT_EQ(NET_NO_SESSION, table.TouchSession(SERVER_CAPACITY));

    // Two ticks leave a countdown of 1; the touch brings it back to 3.
    table.TickSessions();
    table.TickSessions();
    EXPECT_EQ(0, table.TouchSession(0));
    table.TickSessions();
    table.TickSessions();
    EXPECT_TRUE(table.IsSessionActive(0));
    table.TickSessions();
    EXPECT_FALSE(table.IsSessionActive(0));
    EXPECT_EQ(NET_NO_SESSION, table.TouchSession(0));
    EXPECT_FALSE(table.IsSessionActive(0));
}

TEST(PeerTable, TickFreesASlotWhoseCountdownReachesZero)
{
    PeerTable table(SERVER_CAPACITY, 1);
    const SocketAddress address = ipv4Address("127.0.0.2", 5000);
    ASSERT_EQ(0, table.AddSession(address, 1));
    table.TickSessions();
    EXPECT_FALSE(table.IsSessionActive(0));
    EXPECT_EQ(NET_NO_SESSION, table.FindSession(address, 1));
    EXPECT_EQ(NET_NO_SESSION, table.GetSessionKey(0));

    // Free slots stay free however often the table ticks; a slot counted below zero
    // would look active again.
    for (int tick = 0; tick < 5; ++tick) {
        table.TickSessions();
    }
    for (int slot = 0; slot < SERVER_CAPACITY; ++slot) {
        EXPECT_FALSE(table.IsSessionActive(slot)) << "slot " << slot;
    }
    EXPECT_EQ(NET_NO_SESSION, table.RemoveSession(0));
    EXPECT_EQ(0, table.AddSession(address, 2));
}

TEST(PeerTable, ParticipantCountdownLastsFiveTicks)
{
    PeerTable link(1, 5);
    ASSERT_EQ(0, link.AddSession(ipv4Address("127.0.0.2", 5000), 1));
    for (int tick = 0; tick < 4; ++tick) {
        link.TickSessions();
    }
    EXPECT_TRUE(link.IsSessionActive(0));
    link.TickSessions();
    EXPECT_FALSE(link.IsSessionActive(0));
}

TEST(PeerTable, RemoveSessionNeedsAValidActiveSlot)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    ASSERT_EQ(0, table.AddSession(ipv4Address("127.0.0.2", 5000), 1));
    EXPECT_EQ(NET_NO_SESSION, table.RemoveSession(-1));
    EXPECT_EQ(NET_NO_SESSION, table.RemoveSession(SERVER_CAPACITY));
    EXPECT_EQ(NET_NO_SESSION, table.RemoveSession(1));
    EXPECT_TRUE(table.IsSessionActive(0));

    EXPECT_EQ(0, table.RemoveSession(0));
    EXPECT_FALSE(table.IsSessionActive(0));
    EXPECT_EQ(NET_NO_SESSION, table.RemoveSession(0));
}

TEST(PeerTable, GettersRefuseFreeAndInvalidSlots)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    ASSERT_EQ(0, table.AddSession(ipv4Address("127.0.0.2", 5000), 1));
    ASSERT_EQ(0, table.RemoveSession(0));

    SocketAddress address;
    for (const int index : {0, 1, -1, SERVER_CAPACITY, 1 << 30}) {
        EXPECT_EQ(NET_NO_SESSION, table.GetSessionAddress(index, address)) << "index " << index;
        EXPECT_EQ(NET_NO_SESSION, table.GetSessionKey(index)) << "index " << index;
        EXPECT_FALSE(table.IsSessionActive(index)) << "index " << index;
    }
}

TEST(PeerTable, StoresTheWholeAddressAndEveryKey)
{
    PeerTable table(SERVER_CAPACITY, SERVER_COUNTDOWN);
    // Every one of the 16 bytes is copied, the eight that are normally zero included.
    SocketAddress address;
    auto* bytes = reinterpret_cast<uint8_t*>(&address);
    for (size_t i = 0; i < sizeof address; ++i) {
        bytes[i] = static_cast<uint8_t>(0xA0 + i);
    }
    // A key with the top bit set must stay apart from the failure result.
    ASSERT_EQ(0, table.AddSession(address, 0xFFFFFFFFu));
    ASSERT_EQ(1, table.AddSession(address, 0x80000000u));

    SocketAddress stored;
    std::memset(&stored, 0, sizeof stored);
    ASSERT_EQ(0, table.GetSessionAddress(0, stored));
    EXPECT_EQ(0, std::memcmp(&address, &stored, sizeof address));
    EXPECT_EQ(0xFFFFFFFFLL, table.GetSessionKey(0));
    EXPECT_EQ(0x80000000LL, table.GetSessionKey(1));
    EXPECT_EQ(0, table.FindSession(address, 0xFFFFFFFFu));
}
