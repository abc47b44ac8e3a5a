#pragma once
// Datagram layout shared by the relay server and the participants: a 12-byte header
// (magic "QUOX", session key, code word) and a payload of at most 1012 bytes, every
// multi-byte integer little-endian on the wire.

#include <cstddef>
#include <cstdint>

// The UDP port a relay listens on unless told otherwise.
constexpr int32_t DEFAULT_RELAY_PORT = 9876;

constexpr size_t HEADER_SIZE = 12;
constexpr size_t MAX_PAYLOAD = 1012;
constexpr size_t MAX_DATAGRAM = HEADER_SIZE + MAX_PAYLOAD;

constexpr uint32_t PACKET_MAGIC = 0x584F5551;  // "QUOX" read little-endian
constexpr uint32_t REFUSED_SLOT = 0xFF;
constexpr size_t SLOT_COUNT = 16;

constexpr size_t NICKNAME_SIZE = 16;
constexpr size_t ROSTER_SIZE = SLOT_COUNT * NICKNAME_SIZE;
constexpr size_t VOICE_PAYLOAD_SIZE = 254;

enum MessageType : uint8_t {
    MSG_JOIN = 16,
    MSG_WELCOME = 17,
    MSG_PEER_NAME = 18,
    MSG_LEAVE = 19,
    MSG_PEER_LEFT = 20,
    MSG_PING = 21,
    MSG_PONG = 22,
    MSG_VOICE = 23,
    MSG_VOICE_RELAY = 24,
    MSG_ROSTER_REQUEST = 25,
    MSG_ROSTER = 26,
};

// The refusal of a join request: MSG_WELCOME with the slot field REFUSED_SLOT.
constexpr uint32_t REFUSAL_CODE = REFUSED_SLOT << 8 | MSG_WELCOME;

struct PacketHeader {
    uint32_t magic;
    uint32_t sessionKey;
    uint32_t code;
};

// Code word: byte 0 the message type, byte 1 the slot, bytes 2 and 3 zero.
constexpr uint32_t makeCode(uint32_t slot, MessageType type)
{
    return (slot & 0xFFu) << 8 | type;
}
constexpr uint8_t codeType(uint32_t code)
{
    return static_cast<uint8_t>(code & 0xFFu);
}
constexpr uint32_t codeSlot(uint32_t code)
{
    return (code >> 8) & 0xFFu;
}

inline uint32_t loadLe32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

inline void storeLe32(uint8_t* bytes, uint32_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
    bytes[3] = static_cast<uint8_t>(value >> 24);
}

inline PacketHeader readHeader(const uint8_t* datagram)
{
    return PacketHeader{loadLe32(datagram), loadLe32(datagram + 4), loadLe32(datagram + 8)};
}

inline void writeHeader(uint8_t* datagram, const PacketHeader& header)
{
    storeLe32(datagram, header.magic);
    storeLe32(datagram + 4, header.sessionKey);
    storeLe32(datagram + 8, header.code);
}

// Entry i is the nickname of slot i; an entry whose first byte is 0 is an empty slot.
struct Roster {
    uint8_t entries[SLOT_COUNT][NICKNAME_SIZE];
};
static_assert(sizeof(Roster) == ROSTER_SIZE);

// The smallest datagram that carries everything a message of this type needs.
constexpr size_t requiredLength(uint8_t type)
{
    switch (type) {
    case MSG_JOIN:
    case MSG_PEER_NAME:
        return HEADER_SIZE + NICKNAME_SIZE;
    case MSG_WELCOME:
        return HEADER_SIZE + ROSTER_SIZE;
    case MSG_VOICE:
    case MSG_VOICE_RELAY:
        return HEADER_SIZE + VOICE_PAYLOAD_SIZE;
    default:
        return HEADER_SIZE;
    }
}
