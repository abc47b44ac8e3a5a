#pragma once
// Full path of the running program as UTF-8: from /proc/self/exe, or on Windows from
// GetModuleFileNameW.

#include <cstddef>

// Stores the zero-terminated path. Returns its length, or -1 when it cannot be found or does
// not fit in capacity-1 bytes.
int executablePath(char* buffer, size_t capacity);
