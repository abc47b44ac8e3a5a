#pragma once
// The shell's texts as UTF-16 for the window functions, through the platform's conversion.

#include <cstddef>

#include "platform/windows/wide_text.h"

// Stores the UTF-8 text as UTF-16. A text that is not UTF-8 or does not fit (none of the
// program's own texts) becomes empty rather than half a text.
inline void toWideText(const char* utf8, wchar_t* wide, size_t capacity)
{
    if (!utf8ToWide(utf8, wide, capacity))
        wide[0] = L'\0';
}
