#pragma once
// The relay's datagrams spelled out byte by byte for the tests, written independently of
// the product's own protocol code: header "QUOX", session key and code word, each
// little-endian, then the payload.

#include <array>
#include <cstdint>
#include <string>

#include "tests/integration/udp_probe.h"

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

constexpr uint32_t wireCode(uint32_t slot, uint8_t type) { return slot << 8 | type; }

// Header followed by the payload.
Bytes wireDatagram(uint32_t sessionKey, uint32_t code, const Bytes& payload = {});
// The text's bytes, zero-padded (or cut) to the 16 bytes of a nickname field.
Bytes wireNickname(const std::string& text);
// A recognisable 254-byte voice frame; different seeds give different frames.
Bytes wireVoiceFrame(uint8_t seed);

// The relay's roster as the tests expect it: 16 entries of 16 bytes.
struct WireRoster {
    std::array<Bytes, WIRE_SLOTS> entries;
    WireRoster();
    Bytes bytes() const;
};

// "51 55 4F 58 ..." for readable failure messages.
std::string hexBytes(const Bytes& bytes);
