#include "platform/executable_path.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace {
// The longest path Windows hands out, in UTF-16 characters.
constexpr DWORD LONGEST_PATH = 32768;
}

int executablePath(char* buffer, size_t capacity)
{
    wchar_t wide[LONGEST_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, wide, LONGEST_PATH);
    // A full buffer means the path was cut.
    if (length == 0 || length >= LONGEST_PATH)
        return -1;
    return wideToUtf8(wide, length, buffer, capacity, false);
}
