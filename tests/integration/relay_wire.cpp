#include "tests/integration/relay_wire.h"

#include <cstdio>

namespace {

void appendLe32(Bytes& bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

}

Bytes wireDatagram(uint32_t sessionKey, uint32_t code, const Bytes& payload)
{
    Bytes bytes{'Q', 'U', 'O', 'X'};
    appendLe32(bytes, sessionKey);
    appendLe32(bytes, code);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
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
