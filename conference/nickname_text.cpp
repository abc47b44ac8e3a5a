#include "conference/nickname_text.h"

#include <cstring>

#include "platform/code_page.h"

void nicknameToUtf8(const uint8_t* field, char (&utf8)[NICKNAME_UTF8_CAPACITY])
{
    const auto* bytes = reinterpret_cast<const char*>(field);
    cp932ToUtf8(bytes, strnlen(bytes, NICKNAME_SIZE), utf8, sizeof utf8);
}
