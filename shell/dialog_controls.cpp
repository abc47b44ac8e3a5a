#include "shell/dialog_controls.h"

#include <cstdio>

namespace {

// Twenty digits already exceed 32 bits; the text is read into a buffer a little longer so that
// a longer run of digits is seen as too long rather than cut into a valid number.
constexpr size_t NUMBER_TEXT_CAPACITY = 32;

bool isSpace(char character)
{
    return character == ' ' || character == '\t';
}

}  // namespace

bool parseDialogNumber(const char* text, uint32_t& value)
{
    while (isSpace(*text))
        ++text;
    uint64_t number = 0;
    const char* digits = text;
    for (; *text >= '0' && *text <= '9'; ++text) {
        number = number * 10 + static_cast<uint64_t>(*text - '0');
        if (number > UINT32_MAX)
            return false;
    }
    if (text == digits)
        return false;
    while (isSpace(*text))
        ++text;
    if (*text != '\0')
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

bool DialogControls::number(int controlId, uint32_t& value) const
{
    value = 0;
    char digits[NUMBER_TEXT_CAPACITY];
    size_t length = text(controlId, digits, sizeof(digits));
    return length + 1 < sizeof(digits) && parseDialogNumber(digits, value);
}

void DialogControls::showNumber(int controlId, uint32_t value) const
{
    char digits[12];
    std::snprintf(digits, sizeof(digits), "%u", value);
    showText(controlId, digits);
}
