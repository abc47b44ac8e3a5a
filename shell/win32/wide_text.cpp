#include "shell/win32/wide_text.h"

#include <cstring>

#include <windows.h>

namespace {

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0u) == 0x80u;
}

bool isLowSurrogate(wchar_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

int toWide(const char* utf8, wchar_t* wide, int capacity)
{
    if (capacity <= 0)
        return 0;
    // The length is measured before anything is stored, a whole character shorter each time,
    // since a conversion into too small a buffer may store half of a surrogate pair.
    int inputLength = static_cast<int>(std::strlen(utf8));
    while (inputLength > 0 && MultiByteToWideChar(CP_UTF8, 0, utf8, inputLength, nullptr, 0) > capacity - 1) {
        do
            --inputLength;
        while (inputLength > 0 && isContinuationByte(utf8[inputLength]));
    }
    int length = inputLength > 0 ? MultiByteToWideChar(CP_UTF8, 0, utf8, inputLength, wide, capacity - 1) : 0;
    wide[length] = L'\0';
    return length;
}

size_t toUtf8(const wchar_t* wide, int length, char* utf8, size_t capacity)
{
    if (capacity == 0)
        return 0;
    const int room = static_cast<int>(capacity - 1);
    while (length > 0 && WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr) > room) {
        // Drop the last character, both halves of a surrogate pair together.
        --length;
        if (length > 0 && isLowSurrogate(wide[length]))
            --length;
    }
    int stored = length > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8, room, nullptr, nullptr) : 0;
    utf8[stored] = '\0';
    return static_cast<size_t>(stored);
}
