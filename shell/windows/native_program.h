#pragma once
// The program entry both Windows programs share: the process priority, the window class, the
// main window from the program's variant with its worker, the accelerators and the message loop.
// Exit codes: -1 when the window class cannot be registered, -2 when the main window cannot be
// made, otherwise the quit message's code (0).

#include "shell/main_window.h"
#include "shell/worker_thread.h"

#include <windows.h>

struct NativeProgram {
    const MainWindowVariant* window;
    WorkerThread::Body workerBody;
};

// Returns only when the program cannot start, with its exit code. Otherwise the process ends
// once the window is gone, without waiting for a worker still inside its last steps.
int runNativeProgram(HINSTANCE instance, int showCommand, const NativeProgram& program);
