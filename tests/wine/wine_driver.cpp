#include "tests/wine/wine_driver.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/code_page.h"

namespace {

const std::string WINE_TOOLS = KOVARO_SOURCE_DIR "/tools/windows";

std::string convert(const std::string& text, TextConversion (*conversion)(const char*, size_t, char*, size_t))
{
    std::string converted(2 * text.size() + 1, '\0');
    const TextConversion result = conversion(text.data(), text.size(), converted.data(), converted.size());
    converted.resize(result.length);
    return converted;
}

}  // namespace

void WineTest::SetUp()
{
    DesktopTest::SetUp();
    ASSERT_NE(std::getenv("KOVARO_WINE_DIR"), nullptr)
        << "KOVARO_WINE_DIR is not set: run these tests through ctest, whose wine_prefix fixture makes the prefix";
}

void WineTest::TearDown()
{
    // Wine's own services (explorer, the desktop) outlive the programs and hold this X server.
    runToEnd({"sh", "-c", ". \"$0/wine-env.sh\" && wineserver -k; wineserver -w", WINE_TOOLS});
    DesktopTest::TearDown();
}

bool WineTest::startWindowsCopy(ChildProgram& program, const std::string& executable, const std::string& name,
                                const std::vector<std::string>& settings, const std::vector<std::string>& environment)
{
    const std::string folder = path(name);
    mkdir(folder.c_str(), 0700);
    const std::string exe = folder + "/" + executable + ".exe";
    writeBytes(exe, readBytes(std::string(KOVARO_WINDOWS_BIN_DIR "/") + executable + ".exe"));
    std::string text = "[torvik]\r\n";
    for (const std::string& line : settings) {
        text += line + "\r\n";
    }
    writeBytes(folder + "/" + executable + ".ini", convert(text, utf8ToCp932));
    std::vector<std::string> wineEnvironment = environment;
    wineEnvironment.push_back(std::string("KOVARO_WINE_DIR=") + std::getenv("KOVARO_WINE_DIR"));
    return program.start({WINE_TOOLS + "/wine-run.sh", exe},
                         ChildOptions{wineEnvironment, false, path(name + ".stdout"), path(name + ".stderr")});
}

std::string WineTest::windowsSettings(const std::string& executable, const std::string& name) const
{
    return convert(readBytes(path(name + "/" + executable + ".ini")), cp932ToUtf8);
}
