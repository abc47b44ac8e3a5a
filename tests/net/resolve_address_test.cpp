// Turning the server's host text and port into a socket address.

#include <gtest/gtest.h>

#include <cstring>

#include "net/net_results.h"
#include "net/resolve_address.h"

// A result whose every byte is set, so that bytes the resolver leaves alone show.
static SocketAddress filledAddress()
{
    SocketAddress address;
    std::memset(&address, 0xEE, sizeof address);
    return address;
}

TEST(ResolveAddress, DottedAddressNeedsNoLookup)
{
    SocketAddress address = filledAddress();
    ASSERT_EQ(0, ResolveAddress("127.0.0.1", 0x1234, address));
    EXPECT_EQ(AF_INET, address.sin_family);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&address);
    // Port and address in network byte order.
    EXPECT_EQ(0x12, bytes[2]);
    EXPECT_EQ(0x34, bytes[3]);
    EXPECT_EQ(127, bytes[4]);
    EXPECT_EQ(0, bytes[5]);
    EXPECT_EQ(0, bytes[6]);
    EXPECT_EQ(1, bytes[7]);
    for (size_t i = 8; i < sizeof address; ++i) {
        EXPECT_EQ(0, bytes[i]) << "padding byte " << i;
    }

    ASSERT_EQ(0, ResolveAddress("10.20.30.40", 9000, address));
    EXPECT_EQ(htonl(0x0A141E28), address.sin_addr.s_addr);
    EXPECT_EQ(htons(9000), address.sin_port);
}

TEST(ResolveAddress, HostNameResolvesToItsIpv4Address)
{
    SocketAddress address = filledAddress();
    ASSERT_EQ(0, ResolveAddress("localhost", 7000, address));
    EXPECT_EQ(AF_INET, address.sin_family);
    EXPECT_EQ(htons(7000), address.sin_port);
    EXPECT_EQ(htonl(INADDR_LOOPBACK), address.sin_addr.s_addr);
    const SocketAddress zero{};
    EXPECT_EQ(0, std::memcmp(zero.sin_zero, address.sin_zero, sizeof zero.sin_zero));
}

TEST(ResolveAddress, UnknownHostsFail)
{
    for (const char* host : {"no.such.host.invalid", "", "300.1.2.3"}) {
        SocketAddress address;
        EXPECT_EQ(NET_UNKNOWN_HOST, ResolveAddress(host, 7000, address)) << '"' << host << '"';
    }
}
