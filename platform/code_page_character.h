#pragma once
// The system's converter of single characters between code page 932 and UTF-8, used by
// code_page.cpp, which splits the text into characters and handles everything around them.
// One object serves one conversion call on one thread.

#include <cstddef>

enum class CodePageDirection { Cp932ToUtf8, Utf8ToCp932 };

// The longest character on either side (a UTF-8 sequence).
constexpr size_t MAX_CHARACTER_BYTES = 4;

class CharacterConverter {
public:
    explicit CharacterConverter(CodePageDirection direction);
    ~CharacterConverter();
    CharacterConverter(const CharacterConverter&) = delete;
    CharacterConverter& operator=(const CharacterConverter&) = delete;

    // Converts one well-formed character of `length` bytes into `out` (room for
    // MAX_CHARACTER_BYTES); returns the bytes produced, or 0 when the target has no such character.
    size_t convert(const char* character, size_t length, char* out);

private:
    CodePageDirection direction_;
    // The system's converter handle, where it needs one.
    void* handle_;
};
