#include "tests/platform/system_expectations.h"

bool runsOnWindows()
{
    return true;
}

bool keepsUntouchedLinesAsTheyWere()
{
    return false;
}

// The tests run under Wine, whose drive Z: is the Linux root where the build put the program.
std::string expectedTestProgramPath()
{
    std::string path = std::string("Z:") + KOVARO_BIN_DIR + "/kovaro_platform_tests.exe";
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}
