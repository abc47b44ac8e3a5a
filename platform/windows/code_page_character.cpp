#include "platform/code_page_character.h"

#include <windows.h>

namespace {

constexpr UINT CODE_PAGE_932 = 932;
// One character is at most a surrogate pair in UTF-16.
constexpr int MAX_WIDE_UNITS = 2;

size_t fromCp932(const char* character, size_t length, char* out)
{
    wchar_t wide[MAX_WIDE_UNITS];
    const int units = MultiByteToWideChar(CODE_PAGE_932, MB_ERR_INVALID_CHARS, character, static_cast<int>(length),
                                          wide, MAX_WIDE_UNITS);
    if (units <= 0)
        return 0;
    const int produced =
        WideCharToMultiByte(CP_UTF8, 0, wide, units, out, static_cast<int>(MAX_CHARACTER_BYTES), nullptr, nullptr);
    return produced > 0 ? static_cast<size_t>(produced) : 0;
}

size_t toCp932(const char* character, size_t length, char* out)
{
    wchar_t wide[MAX_WIDE_UNITS];
    const int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character, static_cast<int>(length), wide, MAX_WIDE_UNITS);
    if (units <= 0)
        return 0;
    // No best fit: a character the code page lacks is refused, not approximated ("é" is no "e").
    BOOL usedDefault = FALSE;
    const int produced = WideCharToMultiByte(CODE_PAGE_932, WC_NO_BEST_FIT_CHARS, wide, units, out,
                                             static_cast<int>(MAX_CHARACTER_BYTES), nullptr, &usedDefault);
    return produced > 0 && !usedDefault ? static_cast<size_t>(produced) : 0;
}

}  // namespace

CharacterConverter::CharacterConverter(CodePageDirection direction) : direction_(direction), handle_(nullptr)
{
}

CharacterConverter::~CharacterConverter() = default;

size_t CharacterConverter::convert(const char* character, size_t length, char* out)
{
    return direction_ == CodePageDirection::Cp932ToUtf8 ? fromCp932(character, length, out)
                                                        : toCp932(character, length, out);
}
