#include "platform/linux/program_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/scratch_folder.h"

TEST(ProgramLink, DropsTheDeletedMarkOfAReplacedProgram)
{
    ScratchFolder folder;
    ASSERT_TRUE(folder.isValid());
    std::string gone = folder.file("kovaro (deleted)");
    ASSERT_EQ(symlink(gone.c_str(), folder.file("gone-link").c_str()), 0);
    char path[4096];
    EXPECT_EQ(readProgramLink(folder.file("gone-link").c_str(), path, sizeof(path)),
              static_cast<int>(folder.file("kovaro").size()));
    EXPECT_EQ(std::string(path), folder.file("kovaro"));

    // A program whose real name ends that way keeps it.
    writeBytes(gone, "");
    EXPECT_EQ(readProgramLink(folder.file("gone-link").c_str(), path, sizeof(path)), static_cast<int>(gone.size()));
    EXPECT_EQ(std::string(path), gone);
}
