#pragma once
// Driving the programs' windows on a private X server (Xvfb) from outside, as a person would:
// xdotool for keys, clicks and window lookup, ImageMagick to look at what a window shows.

#include <QRect>

#include <cstdint>
#include <string>
#include <vector>

#include "resources/dialog_template.h"
#include "shell/qt/dialog_units.h"
#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"
#include "tests/support/scratch_folder.h"

constexpr int WINDOW_TIMEOUT_MS = 8000;
constexpr int EXIT_WAIT_MS = 15000;

// xdotool with the arguments; its first line of output.
std::string xdotool(const std::vector<std::string>& arguments);

// The visible window of the program whose whole title is `title`, waited for; 0 when none appeared.
uint32_t waitForWindow(const ChildProgram& program, const std::string& title, int timeoutMs = WINDOW_TIMEOUT_MS);

// Where the template puts a main-window control, in pixels of the window, from the same font
// metrics the window was built with; the client area lies below the menu bar.
class MainWindowLayout {
public:
    MainWindowLayout(uint32_t window, const DialogTemplate& dialog);
    QRect control(int id) const;
    // Clicks the middle of the control.
    void click(uint32_t window, int id) const;

private:
    const DialogTemplate& dialog_;
    DialogBaseUnits units_;
    int clientTop_ = 0;
};

// True when the rectangle of the window holds dark pixels (text) on its light background.
bool showsText(uint32_t window, const QRect& area, const std::string& scratchPath);
// True when the rectangle holds strongly coloured pixels (a meter's bar on its grey trough).
bool showsColour(uint32_t window, const QRect& area, const std::string& scratchPath);

class DesktopTest : public EndToEndTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A copy of the built program in a folder of its own, so that it keeps its own settings file.
    bool startCopy(ChildProgram& program, const std::string& executable, const std::string& name,
                   const std::string& settings, const std::vector<std::string>& environment);
    // Waits until the label shows text (or none); false when it did not within timeoutMs.
    bool labelShows(bool text, uint32_t window, const QRect& label, int timeoutMs);
    static void screenshot(uint32_t window, const std::string& name);

private:
    ChildProgram xServer_;
};
