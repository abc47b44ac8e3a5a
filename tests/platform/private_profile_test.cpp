#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/platform/system_expectations.h"
#include "tests/support/scratch_folder.h"

namespace {

class PrivateProfile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    std::string read(const char* section, const char* key, const char* defaultValue = "<default>",
                     size_t capacity = 256)
    {
        char buffer[256];
        size_t length = readProfileString(section, key, defaultValue, buffer, capacity, path.c_str());
        EXPECT_EQ(std::strlen(buffer), length);
        return std::string(buffer, length);
    }
    int32_t readInt(const char* key, int32_t defaultValue = -77)
    {
        return readProfileInt("s", key, defaultValue, path.c_str());
    }
    int write(const char* section, const char* key, const char* value)
    {
        return writeProfileString(section, key, value, path.c_str());
    }
    size_t entriesInFolder()
    {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path()))
            ++count;
        return count;
    }

    ScratchFolder folder;
    std::string path = folder.file("settings.ini");
};

}  // namespace

TEST_F(PrivateProfile, MissingOrEmptyFileGivesDefaults)
{
    EXPECT_EQ(read("s", "k"), "<default>");
    EXPECT_EQ(readInt("k", 42), 42);
    writeBytes(path, "");
    EXPECT_EQ(read("s", "k"), "<default>");
    EXPECT_EQ(read("s", "k", nullptr), "");
    EXPECT_EQ(readInt("k", -3), -3);
}

TEST_F(PrivateProfile, FindsKeysOfItsOwnSectionOnly)
{
    writeBytes(path,
               "k=before any section\n"
               "[other]\n"
               "k=other\n"
               "; k=comment\n"
               "[ TorVik ]\n"
               "# k=comment\n"
               "line without equals sign\n"
               "  NICKNAME \t=  two words \t\n"
               "empty=\n"
               "url=a=b\n");
    EXPECT_EQ(read("torvik", "nickname"), "two words");
    EXPECT_EQ(read("TORVIK", "Empty"), "");
    EXPECT_EQ(read("torvik", "url"), "a=b");
    EXPECT_EQ(read("torvik", "k"), "<default>");
    EXPECT_EQ(read("other", "K"), "other");
    EXPECT_EQ(read("missing", "k"), "<default>");
}

TEST_F(PrivateProfile, CapacityCountsTheTerminatingZero)
{
    writeBytes(path, "[s]\nk=abcdef\n");
    EXPECT_EQ(read("s", "k", "", 4), "abc");
    EXPECT_EQ(read("s", "k", "", 1), "");
    EXPECT_EQ(read("s", "missing", "xyz", 3), "xy");
    char untouched = 'x';
    EXPECT_EQ(readProfileString("s", "k", "", &untouched, 0, path.c_str()), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(PrivateProfile, ToleratesCrlfByteOrderMarkMissingFinalNewlineAndLongLines)
{
    std::string longValue(100000, 'v');
    writeBytes(path, "\xEF\xBB\xBF[s]\r\nlong=" + longValue + "\r\nlast=end");
    EXPECT_EQ(read("s", "long").size(), 255u);
    EXPECT_EQ(read("s", "last"), "end");
}

TEST_F(PrivateProfile, IntegersReadLikeTheWindowsReader)
{
    writeBytes(path,
               "[s]\n"
               "negative=-1280\nplus=+7\nunit=12px\nword=abc\nsign=-\nempty=\nspaces=  42  \n"
               "max=2147483647\nmin=-2147483648\nhuge=99999999999999999999\ntiny=-99999999999\n");
    EXPECT_EQ(readInt("negative"), -1280);
    EXPECT_EQ(readInt("plus"), 7);
    EXPECT_EQ(readInt("unit"), 12);
    EXPECT_EQ(readInt("word"), 0);
    EXPECT_EQ(readInt("sign"), 0);
    EXPECT_EQ(readInt("empty"), -77);
    EXPECT_EQ(readInt("spaces"), 42);
    EXPECT_EQ(readInt("max"), INT32_MAX);
    EXPECT_EQ(readInt("min"), INT32_MIN);
    EXPECT_EQ(readInt("huge"), INT32_MAX);
    EXPECT_EQ(readInt("tiny"), INT32_MIN);
    EXPECT_EQ(readInt("absent"), -77);
}

TEST_F(PrivateProfile, DuplicateKeysFirstOneIsReadAndReplaced)
{
    writeBytes(path, "[s]\nk=first\n[t]\n[S]\nk=second\nk=third\n");
    EXPECT_EQ(read("s", "k"), "first");
    ASSERT_EQ(write("s", "K", "new"), 0);
    EXPECT_EQ(read("s", "k"), "new");
    EXPECT_EQ(readBytes(path), expectedOn("[s]\nk=new\n[t]\n[S]\nk=second\nk=third\n",
                                          "[s]\r\nk=new\r\n[t]\r\n[S]\r\nk=second\r\nk=third\r\n"));
    // Windows looks in the first section of a name only.
    writeBytes(path, "[s]\n[t]\n[S]\nk=later\n");
    EXPECT_EQ(read("s", "k"), expectedOn("later", "<default>"));
}

TEST_F(PrivateProfile, FirstWriteCreatesFileAndSectionInTheSystemsText)
{
    // Windows writes lines ending in CRLF, its text in the ANSI code page (932 in Japanese).
    ASSERT_EQ(write("torvik", "NickName", "あ"), 0);
    EXPECT_EQ(readBytes(path), expectedOn("[torvik]\nNickName=あ\n", "[torvik]\r\nNickName=\x82\xA0\r\n"));
    ASSERT_EQ(write("other", "Key", "v"), 0);
    EXPECT_EQ(readBytes(path), expectedOn("[torvik]\nNickName=あ\n[other]\nKey=v\n",
                                          "[torvik]\r\nNickName=\x82\xA0\r\n[other]\r\nKey=v\r\n"));
    EXPECT_EQ(read("torvik", "NickName"), "あ");
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(PrivateProfile, ReplacingAValueKeepsEveryOtherEntry)
{
    const std::string before =
        "; written by hand\r\n"
        "\r\n"
        "[Other]\r\n"
        "RemotePort=1\r\n"
        "[torvik]\r\n"
        "Unknown = kept  \r\n"
        "  remoteport =  9876   \r\n"
        "no equals here\r\n"
        "\r\n"
        "[Tail]\r\n"
        "x=y";
    writeBytes(path, before);
    ASSERT_EQ(write("TORVIK", "RemotePort", "-5"), 0);
    EXPECT_EQ(readProfileInt("torvik", "RemotePort", 0, path.c_str()), -5);
    EXPECT_EQ(read("other", "RemotePort"), "1");
    EXPECT_EQ(read("torvik", "Unknown"), "kept");
    EXPECT_EQ(read("tail", "x"), "y");
    if (keepsUntouchedLinesAsTheyWere()) {
        std::string expected = before;
        expected.replace(expected.find("9876   "), 7, "-5");
        EXPECT_EQ(readBytes(path), expected);
    }
}

TEST_F(PrivateProfile, NewKeyGoesAfterTheSectionsLastKeyLine)
{
    writeBytes(path, "[s]\r\na=1\r\n; note\r\nb=2\r\n\r\n; next section follows\r\n[t]\r\nc=3");
    ASSERT_EQ(write("s", "new", "v"), 0);
    if (keepsUntouchedLinesAsTheyWere()) {
        EXPECT_EQ(readBytes(path), "[s]\r\na=1\r\n; note\r\nb=2\r\nnew=v\r\n\r\n; next section follows\r\n[t]\r\nc=3");
    }
    ASSERT_EQ(write("t", "d", "4"), 0);
    const std::string after = readBytes(path);
    EXPECT_LT(after.find("new=v"), after.find("[t]"));
    EXPECT_LT(after.find("c=3"), after.find("d=4"));
    if (keepsUntouchedLinesAsTheyWere()) {
        EXPECT_EQ(after, "[s]\r\na=1\r\n; note\r\nb=2\r\nnew=v\r\n\r\n; next section follows\r\n[t]\r\nc=3\r\nd=4\r\n");
    }
    ASSERT_EQ(write("u", "e", "5"), 0);
    EXPECT_EQ(read("u", "e"), "5");
    EXPECT_EQ(read("t", "c"), "3");
}

TEST_F(PrivateProfile, NewKeyInSectionWithoutKeysAndWithoutFinalNewline)
{
    writeBytes(path, "[s]");
    ASSERT_EQ(write("s", "k", "v"), 0);
    EXPECT_EQ(readBytes(path), expectedOn("[s]\nk=v\n", "[s]\r\nk=v\r\n"));
    writeBytes(path, "top=1");
    ASSERT_EQ(write("s", "k", "v"), 0);
    EXPECT_EQ(readBytes(path), expectedOn("top=1\n[s]\nk=v\n", "top=1\r\n[s]\r\nk=v\r\n"));
}

TEST_F(PrivateProfile, ValuesReadBackTrimmed)
{
    ASSERT_EQ(write("s", "k", "あ =[x];"), 0);
    EXPECT_EQ(read("s", "k"), "あ =[x];");
    ASSERT_EQ(write("s", "k", "  padded\t"), 0);
    EXPECT_EQ(read("s", "k"), "padded");
}

TEST_F(PrivateProfile, TextTheFileCannotHoldIsRefusedOnWindows)
{
    // POSIX files hold the value's bytes as they are; Windows converts UTF-8 to its code page
    // and refuses what does not convert rather than storing '?'.
    const std::string bytes = "\x82\xA0 \xFF";
    EXPECT_EQ(write("s", "k", bytes.c_str()), expectedOn(0, -1));
    EXPECT_EQ(read("s", "k"), expectedOn<std::string>(bytes, "<default>"));
    EXPECT_EQ(write("s", "k", "€😀"), expectedOn(0, -1));
}

TEST_F(PrivateProfile, RefusedWritesChangeNothing)
{
    const std::string before = "[s]\nk=v\n";
    writeBytes(path, before);
    EXPECT_EQ(write("s", "k", "two\nlines"), -1);
    EXPECT_EQ(write("s", "k\r", "v"), -1);
    EXPECT_EQ(write("s]", "k", "v"), -1);
    EXPECT_EQ(write("s", "a=b", "v"), -1);
    EXPECT_EQ(write("s", "", "v"), -1);
    EXPECT_EQ(write("", "k", "v"), -1);
    EXPECT_EQ(write("s", " k", "v"), -1);
    EXPECT_EQ(write("s", ";k", "v"), -1);
    EXPECT_EQ(write("s", "k", nullptr), -1);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(writeProfileString("s", "k", "v", folder.file("no/such/folder.ini").c_str()), -1);
    EXPECT_EQ(writeProfileString("s", "k", "v", folder.path().c_str()), -1);
    EXPECT_EQ(entriesInFolder(), 1u);
}
