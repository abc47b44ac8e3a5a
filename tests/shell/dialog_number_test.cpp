// The one rule by which every shell reads a number out of a box.

#include <gtest/gtest.h>

#include "shell/dialog_controls.h"

TEST(DialogNumber, DigitsWithinThirtyTwoBitsReadOthersFail)
{
    struct Case {
        const char* text;
        bool reads;
        uint32_t value;
    };
    const Case cases[] = {
        {"9876", true, 9876},     {" 80 ", true, 80},
        {"0", true, 0},           {"4294967295", true, UINT32_MAX},
        {"4294967296", false, 0}, {"18446744073709551617", false, 0},
        {"", false, 0},           {"  ", false, 0},
        {"12a", false, 0},        {"-1", false, 0},
        {"+1", false, 0},         {"1 2", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t value = 7;
        EXPECT_EQ(parseDialogNumber(c.text, value), c.reads) << '"' << c.text << '"';
        EXPECT_EQ(value, c.reads ? c.value : 7u) << '"' << c.text << '"';
    }
}
