#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conference/nickname_text.h"

namespace {

std::string displayed(const std::string& fieldBytes)
{
    uint8_t field[NICKNAME_SIZE] = {};
    std::memcpy(field, fieldBytes.data(), std::min(fieldBytes.size(), sizeof field));
    char utf8[NICKNAME_UTF8_CAPACITY];
    nicknameToUtf8(field, utf8);
    return utf8;
}

TEST(NicknameText, ShowsCodePage932TextUpToTheFirstZeroAndAtMostSixteenBytes)
{
    EXPECT_EQ(displayed("\x82\xbd\x82\xeb\x82\xa4"), "たろう");
    EXPECT_EQ(displayed(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(displayed("ABCDEFGHIJKLMNOPQRS"), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(displayed(""), "");
}

TEST(NicknameText, ControlBytesAndBrokenCharactersBecomeVisibleSubstitutes)
{
    // A name built to forge a console line and clear the terminal shows on one line, harmless.
    EXPECT_EQ(displayed("x\nfatal a|b\n\x1b[2J"), "x?fatal a|b??[2J");
    EXPECT_EQ(displayed("a\rb\tc\x7f"
                        "d"),
              "a?b?c?d");
    // A lead byte without its trail byte, at the end of the field or before a control byte.
    EXPECT_EQ(displayed("abcdefghijklmno\x82"), "abcdefghijklmno?");
    EXPECT_EQ(displayed("\x82\n"), "??");
    // Code page 932 decodes 0x80 to a C1 control.
    EXPECT_EQ(displayed("a\x80"
                        "b"),
              "a?b");
}

}
