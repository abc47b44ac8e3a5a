#pragma once
// Conversion between code page 932 (the Shift-JIS bytes of the settings record and the wire)
// and UTF-8 (the settings file and the user interface). The only place of this conversion.
// Both directions stop before a character that would not fit, so text is never cut in the
// middle of a character. A character that has no counterpart on the other side becomes one '?',
// and so does each byte that does not begin a well-formed character (a CP932 lead byte without
// its trail byte, a byte the code page leaves unassigned, malformed UTF-8); each is counted in
// `replaced`, nothing is dropped silently. The conversion is the same on every system: iconv's
// on POSIX, the system's (without best fit) on Windows, and the JIS forms of a few characters
// (wave dash, minus sign, ...) going to their code page 932 counterparts on both.
// Thread-safe: every call uses its own converter state.

#include <cstddef>

struct TextConversion {
    // Bytes stored, not counting the terminating zero.
    size_t length;
    // Characters (or invalid sequences) that were stored as '?'.
    size_t replaced;
};

// A byte of 0x81..0x9F or 0xE0..0xFC starts a two-byte character.
constexpr bool isCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// `capacity` counts the terminating zero: at most capacity-1 bytes are stored, and the output is
// zero-terminated whenever capacity > 0.
TextConversion cp932ToUtf8(const char* input, size_t inputLength, char* output, size_t capacity);
TextConversion utf8ToCp932(const char* input, size_t inputLength, char* output, size_t capacity);
