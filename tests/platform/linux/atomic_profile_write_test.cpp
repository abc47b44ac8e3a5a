// POSIX only: the profile writer replaces the file atomically. On Windows the system's own
// profile functions write the file, in their own way.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/private_profile.h"
#include "tests/support/scratch_folder.h"

TEST(PrivateProfileFile, WriteReplacesTheFileAndKeepsItsPermissions)
{
    ScratchFolder folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.file("settings.ini");
    writeBytes(path, "[s]\nk=v\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_EQ(writeProfileString("s", "k", "w", path.c_str()), 0);
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    // A new inode shows the old file was never opened for writing.
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(readBytes(path), "[s]\nk=w\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}
