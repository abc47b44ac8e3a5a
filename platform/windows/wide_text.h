#pragma once
// UTF-8 text to and from the UTF-16 of Windows' wide-character functions.

#include <cstddef>

// Converts zero-terminated UTF-8 into `wide` (capacity in characters, counting the terminating
// zero). Returns false for malformed UTF-8 or when the text does not fit.
bool utf8ToWide(const char* text, wchar_t* wide, size_t capacity);

// Converts `length` UTF-16 characters into zero-terminated UTF-8 in `buffer` (capacity counting
// the terminating zero). With `cutToFit`, stores as many whole characters as fit; otherwise
// text that does not fit is refused. Returns the bytes stored, or -1 for a refusal or text
// that is not valid UTF-16.
int wideToUtf8(const wchar_t* wide, size_t length, char* buffer, size_t capacity, bool cutToFit);
