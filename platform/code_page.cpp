#include "platform/code_page.h"

#include <iconv.h>

#include <cstring>

namespace {

// glibc's "CP932" keeps 0x5C and 0x7E as backslash and tilde, as Windows does ("SJIS" does not).
constexpr const char* CP932_NAME = "CP932";
constexpr const char* UTF8_NAME = "UTF-8";
constexpr char REPLACEMENT = '?';
// The longest character on either side (a UTF-8 sequence).
constexpr size_t MAX_CHARACTER_BYTES = 4;

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Length of the well-formed UTF-8 sequence at `text`, or 0 when it is not well-formed
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t utf8CharacterLength(const unsigned char* text, size_t available)
{
    unsigned char lead = text[0];
    if (lead < 0x80)
        return 1;
    size_t length;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0)
            secondLow = 0xA0;
        if (lead == 0xED)
            secondHigh = 0x9F;
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0)
            secondLow = 0x90;
        if (lead == 0xF4)
            secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (available < length || !inRange(text[1], secondLow, secondHigh))
        return 0;
    for (size_t i = 2; i < length; ++i) {
        if (!inRange(text[i], 0x80, 0xBF))
            return 0;
    }
    return length;
}

// Length of the code page 932 character at `text`, or 0 when a lead byte has no valid
// trail byte after it.
size_t cp932CharacterLength(const unsigned char* text, size_t available)
{
    if (!isCp932LeadByte(text[0]))
        return 1;
    if (available < 2)
        return 0;
    unsigned char trail = text[1];
    return inRange(trail, 0x40, 0x7E) || inRange(trail, 0x80, 0xFC) ? 2 : 0;
}

using CharacterLength = size_t (*)(const unsigned char* text, size_t available);

// Converts one character; returns the bytes produced, or 0 when the target has no such character.
size_t convertCharacter(iconv_t converter, const char* character, size_t length, char* out)
{
    char source[MAX_CHARACTER_BYTES];
    std::memcpy(source, character, length);
    char* in = source;
    size_t inLeft = length;
    char* target = out;
    size_t outLeft = MAX_CHARACTER_BYTES;
    if (iconv(converter, &in, &inLeft, &target, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return 0;
    return MAX_CHARACTER_BYTES - outLeft;
}

// Converts character by character so that the output limit never splits one. Without a
// converter (no gconv modules installed) only ASCII passes; everything else is replaced.
TextConversion convert(const char* fromCode, const char* toCode, CharacterLength characterLength, const char* input,
                       size_t inputLength, char* output, size_t capacity)
{
    TextConversion result{0, 0};
    if (capacity == 0)
        return result;
    iconv_t converter = iconv_open(toCode, fromCode);
    bool haveConverter = converter != reinterpret_cast<iconv_t>(-1);
    const auto* bytes = reinterpret_cast<const unsigned char*>(input);
    size_t position = 0;
    while (position < inputLength) {
        size_t length = characterLength(bytes + position, inputLength - position);
        char converted[MAX_CHARACTER_BYTES];
        size_t convertedLength = 0;
        if (length != 0 && haveConverter)
            convertedLength = convertCharacter(converter, input + position, length, converted);
        else if (length == 1 && bytes[position] < 0x80) {
            converted[0] = input[position];
            convertedLength = 1;
        }
        bool replacedHere = convertedLength == 0;
        if (replacedHere) {
            converted[0] = REPLACEMENT;
            convertedLength = 1;
        }
        if (convertedLength > capacity - 1 - result.length)
            break;
        std::memcpy(output + result.length, converted, convertedLength);
        result.length += convertedLength;
        result.replaced += replacedHere ? 1 : 0;
        position += length == 0 ? 1 : length;
    }
    output[result.length] = '\0';
    if (haveConverter)
        iconv_close(converter);
    return result;
}

}  // namespace

TextConversion cp932ToUtf8(const char* input, size_t inputLength, char* output, size_t capacity)
{
    return convert(CP932_NAME, UTF8_NAME, cp932CharacterLength, input, inputLength, output, capacity);
}

TextConversion utf8ToCp932(const char* input, size_t inputLength, char* output, size_t capacity)
{
    return convert(UTF8_NAME, CP932_NAME, utf8CharacterLength, input, inputLength, output, capacity);
}
