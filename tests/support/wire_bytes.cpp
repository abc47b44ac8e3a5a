#include "tests/support/wire_bytes.h"

#include <cstdio>

namespace {

void appendLe32(Bytes& bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

}

Bytes datagramBytes(uint32_t magic, uint32_t sessionKey, uint32_t code, const Bytes& payload)
{
    Bytes bytes;
    bytes.reserve(WIRE_HEADER_BYTES + payload.size());
    for (const uint32_t field : {magic, sessionKey, code})
        appendLe32(bytes, field);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

Bytes wireDatagram(uint32_t sessionKey, uint32_t code, const Bytes& payload)
{
    return datagramBytes(WIRE_MAGIC, sessionKey, code, payload);
}

uint32_t wireField(const Bytes& bytes, size_t offset)
{
    if (bytes.size() < offset + 4)
        return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t{bytes[offset + i]} << (8 * i);
    return value;
}

Bytes wireNickname(const std::string& text)
{
    Bytes name(text.begin(), text.end());
    name.resize(WIRE_NAME_BYTES, 0);
    return name;
}

Bytes wireVoiceFrame(uint8_t seed)
{
    Bytes frame(WIRE_VOICE_BYTES);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(seed * 31u + i * 7u + (i >> 3));
    return frame;
}

Bytes patternBytes(size_t length)
{
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(i % 251);
    return bytes;
}

WireRoster::WireRoster()
{
    entries.fill(Bytes(WIRE_NAME_BYTES, 0));
}

Bytes WireRoster::bytes() const
{
    Bytes all;
    for (const Bytes& entry : entries)
        all.insert(all.end(), entry.begin(), entry.end());
    return all;
}

std::string hexBytes(const Bytes& bytes)
{
    std::string text;
    char digits[4];
    for (uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        text += digits;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}
