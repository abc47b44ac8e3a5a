#include "tests/platform/system_expectations.h"

bool runsOnWindows()
{
    return false;
}

bool keepsUntouchedLinesAsTheyWere()
{
    return true;
}

std::string expectedTestProgramPath()
{
    return std::string(KOVARO_BIN_DIR) + "/kovaro_platform_tests";
}
