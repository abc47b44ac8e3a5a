#include "shell/settings_store.h"

#include "shell/linux/settings_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/support/scratch_folder.h"

namespace {

std::string askedFolder;

bool writable(const char* folder)
{
    askedFolder = folder;
    return true;
}

bool readOnly(const char* folder)
{
    askedFolder = folder;
    return false;
}

std::string pathFor(const std::string& executable, const SettingsEnvironment& environment)
{
    char path[SETTINGS_PATH_CAPACITY];
    int length = settingsPathFor(executable.c_str(), environment, path, sizeof(path));
    if (length < 0)
        return "<refused>";
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(path));
    return path;
}

bool isFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

TEST(SettingsPath, CutsAtTheLastDotOfTheWholePath)
{
    SettingsEnvironment environment{nullptr, nullptr, writable};
    EXPECT_EQ(pathFor("/opt/kovaro/kovaro.exe", environment), "/opt/kovaro/kovaro.ini");
    EXPECT_EQ(askedFolder, "/opt/kovaro");
    EXPECT_EQ(pathFor("/usr/local/bin/kovaro", environment), "/usr/local/bin/kovaro.ini");
    EXPECT_EQ(pathFor("/srv/kovaro.tar.gz", environment), "/srv/kovaro.tar.ini");
    // No dot in the file name: the cut falls in the folder name, and that file's folder counts.
    EXPECT_EQ(pathFor("/home/me/kovaro-1.2/kovarosrv", environment), "/home/me/kovaro-1.ini");
    EXPECT_EQ(askedFolder, "/home/me");
    EXPECT_EQ(pathFor("/kovaro", environment), "/kovaro.ini");
    EXPECT_EQ(askedFolder, "/");
}

TEST(SettingsPath, UnwritableFolderFallsBackToTheUserConfigFolder)
{
    ScratchFolder folder;
    ASSERT_TRUE(folder.isValid());
    std::string xdg = folder.file("xdg");
    std::string home = folder.file("home");

    SettingsEnvironment withXdg{xdg.c_str(), home.c_str(), readOnly};
    EXPECT_EQ(pathFor("/usr/bin/kovaro", withXdg), xdg + "/kovaro/kovaro.ini");
    EXPECT_TRUE(isFolder(xdg + "/kovaro"));
    EXPECT_FALSE(fileExists(home));

    SettingsEnvironment withHomeOnly{nullptr, home.c_str(), readOnly};
    EXPECT_EQ(pathFor("/usr/bin/kovarosrv", withHomeOnly), home + "/.config/kovaro/kovarosrv.ini");
    EXPECT_TRUE(isFolder(home + "/.config/kovaro"));

    SettingsEnvironment relativeXdg{"relative/config", home.c_str(), readOnly};
    EXPECT_EQ(pathFor("/opt/app.d/kovaro", relativeXdg), home + "/.config/kovaro/app.ini");

    SettingsEnvironment noEnvironment{"", nullptr, readOnly};
    EXPECT_EQ(pathFor("/usr/bin/kovaro", noEnvironment), "/usr/bin/kovaro.ini");

    SettingsEnvironment writableFolder{xdg.c_str(), home.c_str(), writable};
    EXPECT_EQ(pathFor("/opt/kovaro/kovaro", writableFolder), "/opt/kovaro/kovaro.ini");
    // Under /usr even a folder that can be written (by root) is the package manager's.
    EXPECT_EQ(pathFor("/usr/bin/kovaro", writableFolder), xdg + "/kovaro/kovaro.ini");
    EXPECT_EQ(pathFor("/usr/local/bin/kovarosrv", writableFolder), xdg + "/kovaro/kovarosrv.ini");
    EXPECT_EQ(pathFor("/usrdata/kovaro", writableFolder), "/usrdata/kovaro.ini");
}

TEST(SettingsPath, PathsThatDoNotFitAreRefused)
{
    SettingsEnvironment environment{nullptr, nullptr, writable};
    std::string longest = "/" + std::string(SETTINGS_PATH_CAPACITY - 6, 'a');
    EXPECT_EQ(pathFor(longest, environment), longest + ".ini");
    EXPECT_EQ(pathFor(longest + "b", environment), "<refused>");
    // The cut makes room: ".exe" and ".ini" have the same length.
    EXPECT_EQ(pathFor(longest + ".exe", environment), longest + ".ini");

    char small[16];
    EXPECT_EQ(settingsPathFor("/bin/kovaro", environment, small, sizeof(small)), 15);
    EXPECT_EQ(settingsPathFor("/bin/kovaro2", environment, small, sizeof(small)), -1);

    std::string deepConfig = "/" + std::string(SETTINGS_PATH_CAPACITY - 10, 'c');
    SettingsEnvironment fallback{deepConfig.c_str(), nullptr, readOnly};
    EXPECT_EQ(pathFor("/usr/bin/kovaro", fallback), "<refused>");
}

TEST(SettingsPath, ThisProgramsFileLiesBesideIt)
{
    char path[SETTINGS_PATH_CAPACITY];
    ASSERT_GT(programSettingsPath(path, sizeof(path)), 0);
    std::string folder = KOVARO_BIN_DIR;
    if (access(folder.c_str(), W_OK) == 0)
        EXPECT_EQ(std::string(path), folder + "/kovaro_shell_tests.ini");
    else
        EXPECT_NE(std::string(path).find("/kovaro/kovaro_shell_tests.ini"), std::string::npos);
}

TEST(SettingsStoreTest, OpenRefusesWhatDoesNotFit)
{
    SettingsStore store{};
    EXPECT_EQ(store.open("/tmp/a.ini", SETTINGS_SECTION), 0);
    EXPECT_STREQ(store.iniPath, "/tmp/a.ini");
    EXPECT_STREQ(store.section, "torvik");

    std::string tooLong(SETTINGS_PATH_CAPACITY, 'p');
    EXPECT_EQ(store.open(tooLong.c_str(), SETTINGS_SECTION), -1);
    EXPECT_STREQ(store.iniPath, "");
    std::string longSection(SETTINGS_SECTION_CAPACITY, 's');
    EXPECT_EQ(store.open("/tmp/a.ini", longSection.c_str()), -1);
    EXPECT_STREQ(store.section, "");
}

TEST(SettingsStoreTest, WriteIntStoresDecimalText)
{
    ScratchFolder folder;
    ASSERT_TRUE(folder.isValid());
    SettingsStore store{};
    ASSERT_EQ(store.open(folder.file("kovaro.ini").c_str(), SETTINGS_SECTION), 0);
    store.writeInt("Low", INT32_MIN);
    store.writeInt("High", INT32_MAX);
    store.writeInt("Zero", 0);
    EXPECT_EQ(readBytes(store.iniPath), "[torvik]\nLow=-2147483648\nHigh=2147483647\nZero=0\n");
}
