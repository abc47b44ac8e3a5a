// The header's byte layout on the wire and the code word's fields.

#include <gtest/gtest.h>

#include <array>

#include "net/wire_protocol.h"

static std::array<uint8_t, HEADER_SIZE> headerBytes(uint32_t sessionKey, uint32_t code)
{
    std::array<uint8_t, HEADER_SIZE> bytes{};
    writeHeader(bytes.data(), PacketHeader{PACKET_MAGIC, sessionKey, code});
    return bytes;
}

TEST(WireProtocol, HeaderIsMagicThenKeyThenCodeLittleEndian)
{
    const auto bytes = headerBytes(0x12345678, makeCode(5, MSG_PEER_LEFT));
    const std::array<uint8_t, HEADER_SIZE> expected = {0x51, 0x55, 0x4F, 0x58, 0x78, 0x56,
                                                       0x34, 0x12, 0x14, 0x05, 0x00, 0x00};
    EXPECT_EQ(expected, bytes);
}

TEST(WireProtocol, CodeWordsOnTheWire)
{
    EXPECT_EQ(0x514u, makeCode(5, MSG_PEER_LEFT));
    EXPECT_EQ(0xFF11u, REFUSAL_CODE);
    EXPECT_EQ(REFUSAL_CODE, makeCode(REFUSED_SLOT, MSG_WELCOME));
    EXPECT_EQ(0x10u, makeCode(0, MSG_JOIN));

    const auto refusal = headerBytes(0, REFUSAL_CODE);
    EXPECT_EQ((std::array<uint8_t, 4>{0x11, 0xFF, 0x00, 0x00}),
              (std::array<uint8_t, 4>{refusal[8], refusal[9], refusal[10], refusal[11]}));
    const auto join = headerBytes(0, makeCode(0, MSG_JOIN));
    EXPECT_EQ((std::array<uint8_t, 4>{0x10, 0x00, 0x00, 0x00}),
              (std::array<uint8_t, 4>{join[8], join[9], join[10], join[11]}));
}

TEST(WireProtocol, ReadHeaderTakesFieldsLittleEndian)
{
    const uint8_t bytes[HEADER_SIZE] = {0x51, 0x55, 0x4F, 0x58, 0xEF, 0xBE, 0xAD, 0xDE, 0x18, 0x0F, 0x00, 0x00};
    const PacketHeader header = readHeader(bytes);
    EXPECT_EQ(PACKET_MAGIC, header.magic);
    EXPECT_EQ(0xDEADBEEFu, header.sessionKey);
    EXPECT_EQ(makeCode(15, MSG_VOICE_RELAY), header.code);
}

TEST(WireProtocol, CodeFieldsIgnoreTheUpperBytes)
{
    const uint32_t code = 0xAB000000u | makeCode(7, MSG_PONG) | 0x00CD0000u;
    EXPECT_EQ(MSG_PONG, codeType(code));
    EXPECT_EQ(7u, codeSlot(code));
    EXPECT_EQ(REFUSED_SLOT, codeSlot(REFUSAL_CODE));
    EXPECT_EQ(MSG_WELCOME, codeType(REFUSAL_CODE));
}

TEST(WireProtocol, SizesOfDatagramsAndPayloads)
{
    EXPECT_EQ(12u, HEADER_SIZE);
    EXPECT_EQ(12u, sizeof(PacketHeader));
    EXPECT_EQ(1012u, MAX_PAYLOAD);
    EXPECT_EQ(1024u, MAX_DATAGRAM);
    EXPECT_EQ(256u, sizeof(Roster));

    EXPECT_EQ(28u, requiredLength(MSG_JOIN));
    EXPECT_EQ(28u, requiredLength(MSG_PEER_NAME));
    EXPECT_EQ(268u, requiredLength(MSG_WELCOME));
    EXPECT_EQ(266u, requiredLength(MSG_VOICE));
    EXPECT_EQ(266u, requiredLength(MSG_VOICE_RELAY));
    for (const uint8_t type : {MSG_LEAVE, MSG_PEER_LEFT, MSG_PING, MSG_PONG, MSG_ROSTER_REQUEST, MSG_ROSTER}) {
        EXPECT_EQ(12u, requiredLength(type)) << "type " << int{type};
    }
}
