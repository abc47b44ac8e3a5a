#include "platform/windows/wide_text.h"

#include <windows.h>

#include <climits>

namespace {

bool isHighSurrogate(wchar_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Bytes of the UTF-8 form of the character at wide[0]; `units` gets 1, or 2 for a pair.
size_t utf8Length(const wchar_t* wide, size_t available, size_t& units)
{
    units = 1;
    if (wide[0] < 0x80)
        return 1;
    if (wide[0] < 0x800)
        return 2;
    if (isHighSurrogate(wide[0]) && available >= 2) {
        units = 2;
        return 4;
    }
    return 3;
}

// UTF-16 characters of the longest prefix of whole characters whose UTF-8 form fits in `room`.
size_t prefixThatFits(const wchar_t* wide, size_t length, size_t room)
{
    size_t position = 0;
    size_t bytes = 0;
    while (position < length) {
        size_t units = 0;
        const size_t needed = utf8Length(wide + position, length - position, units);
        if (bytes + needed > room)
            break;
        bytes += needed;
        position += units;
    }
    return position;
}

}  // namespace

bool utf8ToWide(const char* text, wchar_t* wide, size_t capacity)
{
    if (capacity == 0 || capacity > INT_MAX)
        return false;
    // -1: the terminating zero is converted too.
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, static_cast<int>(capacity)) > 0;
}

int wideToUtf8(const wchar_t* wide, size_t length, char* buffer, size_t capacity, bool cutToFit)
{
    if (capacity == 0 || capacity > INT_MAX || length > INT_MAX)
        return -1;
    const int wideLength = static_cast<int>(length);
    int needed = wideLength == 0 ? 0
                                 : WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, wideLength, nullptr, 0,
                                                       nullptr, nullptr);
    if (wideLength > 0 && needed == 0)
        return -1;
    size_t units = length;
    if (static_cast<size_t>(needed) > capacity - 1) {
        if (!cutToFit)
            return -1;
        units = prefixThatFits(wide, length, capacity - 1);
    }
    int stored = units == 0 ? 0
                            : WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, static_cast<int>(units), buffer,
                                                  static_cast<int>(capacity - 1), nullptr, nullptr);
    if (units > 0 && stored == 0)
        return -1;
    buffer[stored] = '\0';
    return stored;
}
