#include "platform/code_page_character.h"

#include <iconv.h>

#include <cstring>

namespace {

// glibc's "CP932" keeps 0x5C and 0x7E as backslash and tilde, as Windows does ("SJIS" does not).
constexpr const char* CP932_NAME = "CP932";
constexpr const char* UTF8_NAME = "UTF-8";

iconv_t openConverter(CodePageDirection direction)
{
    return direction == CodePageDirection::Cp932ToUtf8 ? iconv_open(UTF8_NAME, CP932_NAME)
                                                       : iconv_open(CP932_NAME, UTF8_NAME);
}

bool isOpen(void* handle)
{
    return handle != reinterpret_cast<void*>(-1);
}

}  // namespace

CharacterConverter::CharacterConverter(CodePageDirection direction)
    : direction_(direction), handle_(openConverter(direction))
{
}

CharacterConverter::~CharacterConverter()
{
    if (isOpen(handle_))
        iconv_close(static_cast<iconv_t>(handle_));
}

size_t CharacterConverter::convert(const char* character, size_t length, char* out)
{
    // Without a converter (no gconv modules installed) only ASCII passes.
    if (!isOpen(handle_)) {
        if (length != 1 || static_cast<unsigned char>(character[0]) >= 0x80)
            return 0;
        out[0] = character[0];
        return 1;
    }
    char source[MAX_CHARACTER_BYTES];
    std::memcpy(source, character, length);
    char* in = source;
    size_t inLeft = length;
    char* target = out;
    size_t outLeft = MAX_CHARACTER_BYTES;
    if (iconv(static_cast<iconv_t>(handle_), &in, &inLeft, &target, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return 0;
    return MAX_CHARACTER_BYTES - outLeft;
}
