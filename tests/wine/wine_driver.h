#pragma once
// The Windows programs under Wine on the desktop scenarios' private X server: a copy of the
// .exe with its settings file beside it, started through tools/windows/wine-run.sh in the
// prefix of this build tree ($KOVARO_WINE_DIR, made by the wine_prefix test fixture). Each
// scenario ends with every Wine process of that prefix, so the next one starts clean on its
// own X server.

#include <string>
#include <vector>

#include "tests/desktop/desktop_driver.h"

// A Wine program's first window follows the start of Wine's server and services: seconds on a
// busy machine.
constexpr int WINE_WINDOW_TIMEOUT_MS = 40000;

class WineTest : public DesktopTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies `executable`.exe of the Windows build into a folder of its own and writes
    // `executable`.ini there as the Windows program keeps it: section [torvik], code page 932
    // text, CRLF line ends. `settings` are UTF-8 "key=value" lines.
    bool startWindowsCopy(ChildProgram& program, const std::string& executable, const std::string& name,
                          const std::vector<std::string>& settings, const std::vector<std::string>& environment);
    // The settings file of a copy, as UTF-8 text with the CRLF line ends left in.
    std::string windowsSettings(const std::string& executable, const std::string& name) const;
};
