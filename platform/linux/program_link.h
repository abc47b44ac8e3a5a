#pragma once
// The target of a symbolic link that names a program, as /proc/self/exe does.

#include <cstddef>

// Stores the zero-terminated target of the symbolic link `linkPath`. When the program file was
// replaced or removed while running, the kernel appends " (deleted)"; that suffix is taken off
// again so the path still names the program's place. Returns the length, or -1 when the link
// cannot be read or its target does not fit in capacity-1 bytes.
int readProgramLink(const char* linkPath, char* buffer, size_t capacity);
