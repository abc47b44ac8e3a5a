#pragma once
// Private-profile (INI) files: "[section]" header lines and "key=value" lines. Every text
// passed in and out is UTF-8.
// On POSIX this is the project's own reader and writer:
// - Section and key names match without regard to ASCII letter case; blanks (space, tab) around
//   section names, keys and values are ignored on reading. Lines whose first non-blank byte is
//   ';' or '#' are comments. Lines before the first header, and lines without '=', hold no key.
// - When a section or key appears more than once, reading and writing both use the first key
//   in file order among all sections of that name.
// - Lines may end in LF or CRLF; a UTF-8 byte order mark at the start is skipped.
// - Values are taken as bytes (the files hold UTF-8 text); quotes have no special meaning.
// - Every call opens, reads (and for a write, replaces) the whole file; nothing is cached.
// On Windows these are the system's profile functions (GetPrivateProfileStringW,
// WritePrivateProfileStringW) with their own rules: the file's text is in the ANSI code page
// (932 on a Japanese system) with CRLF lines, only the first section of a name is searched,
// and a write may lay out the whole file anew. Text is converted at this boundary; what the
// code page cannot hold, or malformed UTF-8, is refused by the write.
// Thread-safe as far as the file allows: concurrent writers of one file may lose an update.

#include <cstddef>
#include <cstdint>

// Copies the value of `key` in `section`, or `defaultValue` when the file, the section or the
// key is absent. `capacity` counts the terminating zero: at most capacity-1 bytes are stored and
// the buffer is zero-terminated whenever capacity > 0. Returns the number of bytes stored.
size_t readProfileString(const char* section, const char* key, const char* defaultValue, char* buffer, size_t capacity,
                         const char* path);

// Reads the value as an integer: optional blanks, an optional '+' or '-', then decimal digits up
// to the first other byte ("12px" is 12). A value that starts with no digit ("abc", "-") is 0.
// A value beyond the int32 range is clamped to it. An absent file, section or key, or an empty
// value, gives `defaultValue`.
int32_t readProfileInt(const char* section, const char* key, int32_t defaultValue, const char* path);

// Sets `key` in `section` to `value`. An existing key keeps its place and spelling and gets the
// new value; a new key goes after the last key line of the section; a new section goes at the
// end of the file, which is created when absent. On POSIX every other line of the file stays
// exactly as it was and the file is replaced atomically. Returns 0, or -1 with the file
// unchanged when the file cannot be read or written, or when the names or the value cannot be
// stored in this format (empty names, a line break anywhere, ']' in the section, '=' in the
// key, blanks at the ends of a name, a key beginning with '[', ';' or '#'; on Windows also text
// its code page lacks).
int writeProfileString(const char* section, const char* key, const char* value, const char* path);
