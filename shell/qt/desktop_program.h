#pragma once
// The program entry both desktop programs share: the Qt application, the main window from the
// program's variant with its worker, and the message loop.
// Exit codes: 0 after the window is closed (also after a fatal box), -1 when no display can be
// reached, -2 when the main window cannot be built.

#include "shell/main_window.h"
#include "shell/worker_thread.h"

struct DesktopProgram {
    const char* executableName;   // in the program's own error lines
    const char* applicationName;  // as the desktop shows it
    const char* desktopFileName;  // the .desktop entry, without its suffix
    const MainWindowVariant* window;
    WorkerThread::Body workerBody;
};

// Returns only when the program cannot start, with its exit code. Otherwise the process ends
// once the window is gone, without waiting for a worker still inside its last steps.
int runDesktopProgram(int argc, char** argv, const DesktopProgram& program);
