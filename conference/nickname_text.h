#pragma once
// Nicknames travel and are stored as code page 932 bytes in 16-byte fields, ended by a zero
// byte when shorter; the window, the console and the system mixer take UTF-8. A nickname is
// chosen by whoever joins, so its bytes are untrusted: every place that shows one shows the
// text made here, never the bytes themselves.

#include <cstddef>
#include <cstdint>

#include "net/wire_protocol.h"

// Every code page 932 byte becomes at most three UTF-8 bytes; one more for the zero.
constexpr size_t NICKNAME_UTF8_CAPACITY = NICKNAME_SIZE * 3 + 1;

// The field up to its first zero byte, never more than its 16 bytes, as zero-terminated UTF-8
// for display: control characters (line breaks, escape sequences, delete) and bytes that are
// not code page 932 each become one '?', so a name cannot forge lines or steer a terminal.
void nicknameToUtf8(const uint8_t* field, char (&utf8)[NICKNAME_UTF8_CAPACITY]);
