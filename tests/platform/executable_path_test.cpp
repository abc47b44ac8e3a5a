#include "platform/executable_path.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/system_expectations.h"

TEST(ExecutablePath, NamesThisTestProgramAndRefusesToCutIt)
{
    char path[4096];
    int length = executablePath(path, sizeof(path));
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(path), expectedTestProgramPath());
    EXPECT_EQ(executablePath(path, static_cast<size_t>(length)), -1);
}
