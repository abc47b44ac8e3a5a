#include "platform/code_page.h"

#include <cstring>

#include "platform/code_page_character.h"

namespace {

constexpr char REPLACEMENT = '?';

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Single bytes that code page 932 leaves without a character. Windows' own table maps them into
// the private use area; they are refused both ways so that every system converts alike.
bool isUnassignedSingleByte(unsigned char byte)
{
    return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}

// Characters of JIS X 0208 as Unicode names them, which code page 932 holds under another
// code point (a wave dash typed by an input method is the full-width tilde there).
struct OneWayMapping {
    const char* utf8;
    const char* cp932;
};
constexpr OneWayMapping ONE_WAY_MAPPINGS[] = {
    {"\u00A2", "\x81\x91"},  // cent sign
    {"\u00A3", "\x81\x92"},  // pound sign
    {"\u00A5", "\x5C"},      // yen sign
    {"\u00AC", "\x81\xCA"},  // not sign
    {"\u2014", "\x81\x5C"},  // em dash
    {"\u2016", "\x81\x61"},  // double vertical line
    {"\u203E", "\x7E"},      // overline
    {"\u2212", "\x81\x7C"},  // minus sign
    {"\u301C", "\x81\x60"},  // wave dash
};

size_t oneWayMapping(const char* character, size_t length, char* out)
{
    for (const OneWayMapping& mapping : ONE_WAY_MAPPINGS) {
        if (std::strlen(mapping.utf8) == length && std::memcmp(mapping.utf8, character, length) == 0) {
            const size_t produced = std::strlen(mapping.cp932);
            std::memcpy(out, mapping.cp932, produced);
            return produced;
        }
    }
    return 0;
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

// Length of the code page 932 character at `text`, or 0 when it is no character: a lead byte
// without a valid trail byte after it, or an unassigned single byte.
size_t cp932CharacterLength(const unsigned char* text, size_t available)
{
    if (isUnassignedSingleByte(text[0]))
        return 0;
    if (!isCp932LeadByte(text[0]))
        return 1;
    if (available < 2)
        return 0;
    unsigned char trail = text[1];
    return inRange(trail, 0x40, 0x7E) || inRange(trail, 0x80, 0xFC) ? 2 : 0;
}

size_t convertCharacter(CharacterConverter& converter, CodePageDirection direction, const char* character,
                        size_t length, char* out)
{
    if (direction == CodePageDirection::Cp932ToUtf8)
        return converter.convert(character, length, out);
    if (size_t mapped = oneWayMapping(character, length, out))
        return mapped;
    size_t produced = converter.convert(character, length, out);
    return produced == 1 && isUnassignedSingleByte(static_cast<unsigned char>(out[0])) ? 0 : produced;
}

// Converts character by character so that the output limit never splits one.
TextConversion convert(CodePageDirection direction, const char* input, size_t inputLength, char* output,
                       size_t capacity)
{
    TextConversion result{0, 0};
    if (capacity == 0)
        return result;
    const auto characterLength =
        direction == CodePageDirection::Cp932ToUtf8 ? cp932CharacterLength : utf8CharacterLength;
    CharacterConverter converter(direction);
    const auto* bytes = reinterpret_cast<const unsigned char*>(input);
    size_t position = 0;
    while (position < inputLength) {
        size_t length = characterLength(bytes + position, inputLength - position);
        char converted[MAX_CHARACTER_BYTES];
        size_t convertedLength =
            length == 0 ? 0 : convertCharacter(converter, direction, input + position, length, converted);
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
    return result;
}

}  // namespace

TextConversion cp932ToUtf8(const char* input, size_t inputLength, char* output, size_t capacity)
{
    return convert(CodePageDirection::Cp932ToUtf8, input, inputLength, output, capacity);
}

TextConversion utf8ToCp932(const char* input, size_t inputLength, char* output, size_t capacity)
{
    return convert(CodePageDirection::Utf8ToCp932, input, inputLength, output, capacity);
}
