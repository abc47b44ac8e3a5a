#pragma once
// UTF-8 (the texts of the resource set and the procedures) to and from UTF-16 (the Windows
// window functions), into fixed buffers.

#include <cstddef>

// Stores the text zero-terminated; a text that does not fit is cut before the first character
// that would not. Returns the number of UTF-16 units stored.
int toWide(const char* utf8, wchar_t* wide, int capacity);

// Stores `length` units of UTF-16 as zero-terminated UTF-8, cut at a character boundary to at
// most capacity-1 bytes. Returns the number of bytes stored.
size_t toUtf8(const wchar_t* wide, int length, char* utf8, size_t capacity);
