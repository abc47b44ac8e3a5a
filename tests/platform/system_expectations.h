#pragma once
// What the platform tests expect where each system has its own way; defined once per system in
// posix/ and windows/.

#include <string>

bool runsOnWindows();

// The expectation of the system the tests run on.
template <class T>
T expectedOn(T posix, T windows)
{
    return runsOnWindows() ? windows : posix;
}
inline std::string expectedOn(const char* posix, const char* windows)
{
    return runsOnWindows() ? windows : posix;
}

// Whether writing a profile leaves every line it does not change byte for byte as it was
// (POSIX); Windows writes the whole file again in its own form (no blank lines, no blanks
// around '=').
bool keepsUntouchedLinesAsTheyWere();

// The full path of this test program as executablePath() gives it.
std::string expectedTestProgramPath();
