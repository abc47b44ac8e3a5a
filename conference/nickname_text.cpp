#include "conference/nickname_text.h"

#include <cstring>

#include "platform/code_page.h"

namespace {

constexpr char SUBSTITUTE = '?';

// C1 controls (U+0080..U+009F) are 0xC2 0x80..0x9F in UTF-8.
bool isC1Control(const char* text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    const auto trail = static_cast<unsigned char>(text[1]);
    return lead == 0xC2 && trail >= 0x80 && trail <= 0x9F;
}

}

void nicknameToUtf8(const uint8_t* field, char (&utf8)[NICKNAME_UTF8_CAPACITY])
{
    const auto* bytes = reinterpret_cast<const char*>(field);
    const TextConversion converted = cp932ToUtf8(bytes, strnlen(bytes, NICKNAME_SIZE), utf8, sizeof utf8);
    size_t kept = 0;
    for (size_t i = 0; i < converted.length; ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x20 || byte == 0x7F) {
            utf8[kept++] = SUBSTITUTE;
        } else if (i + 1 < converted.length && isC1Control(utf8 + i)) {
            utf8[kept++] = SUBSTITUTE;
            ++i;
        } else {
            utf8[kept++] = utf8[i];
        }
    }
    utf8[kept] = '\0';
}
