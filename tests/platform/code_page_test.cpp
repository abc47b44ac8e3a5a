#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Converted {
    std::string text;
    size_t replaced;
};

Converted toCp932(const std::string& utf8, size_t capacity = 256)
{
    char buffer[256];
    TextConversion result = utf8ToCp932(utf8.data(), utf8.size(), buffer, capacity);
    EXPECT_EQ(buffer[result.length], '\0');
    return {std::string(buffer, result.length), result.replaced};
}

Converted toUtf8(const std::string& cp932, size_t capacity = 256)
{
    char buffer[256];
    TextConversion result = cp932ToUtf8(cp932.data(), cp932.size(), buffer, capacity);
    EXPECT_EQ(buffer[result.length], '\0');
    return {std::string(buffer, result.length), result.replaced};
}

}  // namespace

TEST(CodePage, JapaneseTextConvertsBothWays)
{
    const std::string utf8 = "日本語ﾃｽﾄ a";
    const std::string cp932 = "\x93\xFA\x96\x7B\x8C\xEA\xC3\xBD\xC4 a";
    Converted encoded = toCp932(utf8);
    EXPECT_EQ(encoded.text, cp932);
    EXPECT_EQ(encoded.replaced, 0u);
    Converted decoded = toUtf8(cp932);
    EXPECT_EQ(decoded.text, utf8);
    EXPECT_EQ(decoded.replaced, 0u);
}

TEST(CodePage, UsesWindowsMappingOfBackslashTildeAndDashes)
{
    // Shift-JIS proper would turn these two bytes into yen sign and overline.
    EXPECT_EQ(toUtf8("\\~").text, "\\~");
    EXPECT_EQ(toCp932("\\~").text, "\\~");
    // Both wave dashes that input methods produce map to the one CP932 character.
    EXPECT_EQ(toCp932("〜～").text, "\x81\x60\x81\x60");
    EXPECT_EQ(toCp932("−").text, "\x81\x7C");
}

TEST(CodePage, LimitNeverSplitsACharacter)
{
    // Capacity 6 leaves room for 5 bytes: two 2-byte characters, not half of the third.
    Converted cut = toCp932("あいう", 6);
    EXPECT_EQ(cut.text, "\x82\xA0\x82\xA2");
    EXPECT_EQ(cut.replaced, 0u);
    // A 1-byte character still fits where a 2-byte one did not.
    EXPECT_EQ(toCp932("あいｱ", 6).text, "\x82\xA0\x82\xA2\xB1");
    // UTF-8 side: "あ" is 3 bytes, so capacity 6 holds one character only.
    EXPECT_EQ(toUtf8("\x82\xA0\x82\xA2", 6).text, "あ");
    EXPECT_EQ(toUtf8("\x82\xA0\x82\xA2", 7).text, "あい");
}

TEST(CodePage, TinyCapacities)
{
    char buffer[4] = {'x', 'x', 'x', 'x'};
    TextConversion none = utf8ToCp932("abc", 3, buffer, 0);
    EXPECT_EQ(none.length, 0u);
    EXPECT_EQ(buffer[0], 'x');
    TextConversion empty = cp932ToUtf8("abc", 3, buffer, 1);
    EXPECT_EQ(empty.length, 0u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST(CodePage, CharactersOutsideCp932AreReplacedAndCounted)
{
    Converted euro = toCp932("a€b😀c");
    EXPECT_EQ(euro.text, "a?b?c");
    EXPECT_EQ(euro.replaced, 2u);
}

TEST(CodePage, MalformedUtf8IsReplacedAndCounted)
{
    // Stray continuation, overlong slash, encoded surrogate, lead byte cut off at the end.
    Converted malformed = toCp932(
        "a\x80"
        "b\xC0\xAF"
        "c\xED\xA0\x80"
        "d\xE3\x81");
    EXPECT_EQ(malformed.text, "a?b??c???d??");
    EXPECT_EQ(malformed.replaced, 8u);
    // A valid character after a broken one survives.
    EXPECT_EQ(toCp932("\xE3"
                      "あ")
                  .text,
              "?\x82\xA0");
}

TEST(CodePage, MalformedAndUndefinedCp932IsReplacedAndCounted)
{
    // Lead byte followed by a byte that cannot trail: the second byte stands on its own.
    Converted badTrail = toUtf8("\x82 x");
    EXPECT_EQ(badTrail.text, "? x");
    EXPECT_EQ(badTrail.replaced, 1u);
    // Lead byte at the end of the text, an unassigned pair, single bytes without a character.
    Converted rest = toUtf8(
        "a\x85\x40"
        "b\x80\xFD"
        "c\x82");
    EXPECT_EQ(rest.text, "a?b??c?");
    EXPECT_EQ(rest.replaced, 4u);
}

TEST(CodePage, NecDuplicateComesBackAsIbmCode)
{
    // ED40 and FA5C are one character; decoded text agrees even though the bytes do not.
    Converted decoded = toUtf8("\xED\x40");
    EXPECT_EQ(toUtf8("\xFA\x5C").text, decoded.text);
    EXPECT_EQ(toCp932(decoded.text).text, "\xFA\x5C");
}
