#pragma once
// Datagrams spelled out byte by byte for the tests, written independently of the product's
// own protocol code so that a slip there cannot hide in both: header "QUOX", session key and
// code word, each little-endian, then the payload.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// "QUOX" as the first four bytes of a datagram.
constexpr uint32_t WIRE_MAGIC = 'Q' | 'U' << 8 | 'O' << 16 | uint32_t{'X'} << 24;

constexpr uint8_t TYPE_JOIN = 0x10;
constexpr uint8_t TYPE_WELCOME = 0x11;
constexpr uint8_t TYPE_PEER_NAME = 0x12;
constexpr uint8_t TYPE_LEAVE = 0x13;
constexpr uint8_t TYPE_PEER_LEFT = 0x14;
constexpr uint8_t TYPE_PING = 0x15;
constexpr uint8_t TYPE_PONG = 0x16;
constexpr uint8_t TYPE_VOICE = 0x17;
constexpr uint8_t TYPE_VOICE_RELAY = 0x18;
constexpr uint8_t TYPE_ROSTER_REQUEST = 0x19;
constexpr uint8_t TYPE_ROSTER = 0x1A;

constexpr size_t WIRE_HEADER_BYTES = 12;
constexpr size_t WIRE_NAME_BYTES = 16;
constexpr size_t WIRE_VOICE_BYTES = 254;
constexpr size_t WIRE_SLOTS = 16;

constexpr uint32_t wireCode(uint32_t slot, uint8_t type)
{
    return slot << 8 | type;
}

// Header with any magic, then the payload.
Bytes datagramBytes(uint32_t magic, uint32_t sessionKey, uint32_t code, const Bytes& payload = {});
// Header with the proper magic, then the payload.
Bytes wireDatagram(uint32_t sessionKey, uint32_t code, const Bytes& payload = {});
// The little-endian 32-bit field at offset, or 0 when the bytes end before it does.
uint32_t wireField(const Bytes& bytes, size_t offset);

// The text's bytes, zero-padded (or cut) to the 16 bytes of a nickname field.
Bytes wireNickname(const std::string& text);
// A recognisable 254-byte voice frame; different seeds give different frames.
Bytes wireVoiceFrame(uint8_t seed);
// Bytes 0, 1, 2, ... wrapping at 251 so that a shifted or cut copy shows.
Bytes patternBytes(size_t length);

// The relay's roster as the tests expect it: 16 entries of 16 bytes.
struct WireRoster {
    std::array<Bytes, WIRE_SLOTS> entries;
    WireRoster();
    Bytes bytes() const;
};

// "51 55 4F 58 ..." for readable failure messages.
std::string hexBytes(const Bytes& bytes);
