#include "tests/desktop/desktop_driver.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFontMetrics>

#include "shell/qt/template_font.h"

std::string xdotool(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<std::string> output;
    runToEnd(command, &output);
    return output.empty() ? std::string() : output.front();
}

uint32_t waitForWindow(const ChildProgram& program, const std::string& title, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        const std::string id = xdotool(
            {"search", "--all", "--onlyvisible", "--pid", std::to_string(program.pid()), "--name", "^" + title + "$"});
        if (!id.empty()) {
            return static_cast<uint32_t>(std::stoul(id));
        }
        usleep(50 * 1000);
    }
    return 0;
}

MainWindowLayout::MainWindowLayout(uint32_t window, const DialogTemplate& dialog) : dialog_(dialog)
{
    units_ = measureBaseUnits(QFontMetrics(templateFont(dialog)));
    std::vector<std::string> lines;
    runToEnd({"xdotool", "getwindowgeometry", "--shell", std::to_string(window)}, &lines);
    for (const std::string& line : lines) {
        if (line.rfind("HEIGHT=", 0) == 0) {
            clientTop_ = std::stoi(line.substr(7)) - units_.toPixelsY(dialog.height);
        }
    }
}

QRect MainWindowLayout::control(int id) const
{
    for (int index = 0; index < dialog_.controlCount; ++index) {
        const DialogControl& control = dialog_.controls[index];
        if (control.id == id) {
            return units_.toPixels(control.x, control.y, control.width, control.height).translated(0, clientTop_);
        }
    }
    return {};
}

void MainWindowLayout::click(uint32_t window, int id) const
{
    const QPoint middle = control(id).center();
    xdotool({"mousemove", "--window", std::to_string(window), std::to_string(middle.x()), std::to_string(middle.y()),
             "click", "1"});
}

namespace {

// The extreme of one measure over the rectangle of the window, or -1 when it cannot be taken.
double measureArea(uint32_t window, const QRect& area, const std::string& scratchPath,
                   const std::vector<std::string>& measure)
{
    const std::string crop = std::to_string(area.width()) + "x" + std::to_string(area.height()) + "+" +
                             std::to_string(area.x()) + "+" + std::to_string(area.y());
    if (runToEnd({"import", "-window", std::to_string(window), "-crop", crop, scratchPath}) != 0) {
        return -1;
    }
    std::vector<std::string> command{"convert", scratchPath};
    command.insert(command.end(), measure.begin(), measure.end());
    command.push_back("info:");
    std::vector<std::string> value;
    runToEnd(command, &value);
    return value.empty() ? -1 : std::stod(value.front());
}

}  // namespace

bool showsText(uint32_t window, const QRect& area, const std::string& scratchPath)
{
    const double darkest =
        measureArea(window, area, scratchPath, {"-colorspace", "Gray", "-format", "%[fx:minima]\\n"});
    return darkest >= 0 && darkest < 0.5;
}

bool showsColour(uint32_t window, const QRect& area, const std::string& scratchPath)
{
    const double saturation = measureArea(
        window, area, scratchPath, {"-colorspace", "HSL", "-channel", "G", "-separate", "-format", "%[fx:maxima]\\n"});
    return saturation > 0.4;
}

void DesktopTest::SetUp()
{
    EndToEndTest::SetUp();
    ASSERT_TRUE(xServer_.start({"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                               ChildOptions{{}, false, "", path("xvfb.stderr")}));
    const int line = xServer_.waitForLine([](const std::string& text) { return !text.empty(); }, 10000);
    ASSERT_GE(line, 0) << "Xvfb did not start";
    setenv("DISPLAY", (":" + xServer_.lines()[static_cast<size_t>(line)].text).c_str(), 1);
}

void DesktopTest::TearDown()
{
    xServer_.stop(SIGTERM);
    EndToEndTest::TearDown();
}

bool DesktopTest::startCopy(ChildProgram& program, const std::string& executable, const std::string& name,
                            const std::string& settings, const std::vector<std::string>& environment)
{
    const std::string folder = path(name);
    mkdir(folder.c_str(), 0700);
    writeBytes(folder + "/" + executable, readBytes(std::string(KOVARO_BIN_DIR "/") + executable));
    chmod((folder + "/" + executable).c_str(), 0700);
    writeBytes(folder + "/" + executable + ".ini", "[torvik]\n" + settings);
    return program.start({folder + "/" + executable},
                         ChildOptions{environment, false, path(name + ".stdout"), path(name + ".stderr")});
}

bool DesktopTest::labelShows(bool text, uint32_t window, const QRect& label, int timeoutMs)
{
    const TestClock::time_point start = TestClock::now();
    while (TestClock::now() - start < std::chrono::milliseconds(timeoutMs)) {
        if (showsText(window, label, path("label.png")) == text) {
            return true;
        }
    }
    return false;
}

void DesktopTest::screenshot(uint32_t window, const std::string& name)
{
    runToEnd({"import", "-window", std::to_string(window), std::string(KOVARO_DESKTOP_OUTPUT_DIR "/") + name});
}
