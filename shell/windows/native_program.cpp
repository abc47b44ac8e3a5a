#include "shell/windows/native_program.h"

#include <cstdio>
#include <cstdlib>

#include "platform/priority.h"
#include "resources/resource_ids.h"
#include "shell/windows/control_positions.h"
#include "shell/windows/native_main_window.h"
#include "shell/windows/native_menu.h"
#include "shell/windows/native_window_view.h"
#include "shell/windows/serving_wait.h"

namespace {

constexpr int EXIT_NO_CLASS = -1;
constexpr int EXIT_NO_WINDOW = -2;

// The worker's start and shutdown wait for the worker; meanwhile the main thread serves the
// worker's synchronous window calls (a box at a failed start, a meter during the shutdown).
class ServingWorker : public WorkerPort {
public:
    explicit ServingWorker(WorkerThread& worker) : worker_(worker) {}

    void start() override
    {
        runServingSentMessages([this] { worker_.start(); });
    }

    bool post(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        return worker_.post(message, wParam, lParam);
    }

    bool shutdown() override
    {
        bool finished = false;
        runServingSentMessages([this, &finished] { finished = worker_.shutdown(); });
        return finished;
    }

private:
    WorkerThread& worker_;
};

// The accelerators go to the main window whichever of its controls has the focus, so F2
// opens the connection dialog after a click on a mute button too. Tab and the arrow keys move
// between the window's buttons as in a dialog.
int runMessageLoop(HWND window, HACCEL accelerators)
{
    MSG message;
    for (;;) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return 0;
        if (accelerators != nullptr && TranslateAcceleratorW(window, accelerators, &message))
            continue;
        if (IsWindow(window) && IsDialogMessageW(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int runNativeProgram(HINSTANCE instance, int showCommand, const NativeProgram& program)
{
    raiseProcessPriority();
    if (NativeMainWindow::registerWindowClass(instance) != 0)
        return EXIT_NO_CLASS;

    NativeWindowView view;
    WorkerThread worker(view, program.workerBody);
    ServingWorker serving(worker);
    NativeMainWindow window(instance, *program.window, serving);
    if (window.create() != 0)
        return EXIT_NO_WINDOW;
    view.attach(window.handle());
    ShowWindow(window.handle(), showCommand);
    UpdateWindow(window.handle());
    logControlPositions(window.handle(), *window.dialog());

    const AcceleratorTable* table = findAcceleratorTable(IDR_ACCEL);
    HACCEL accelerators = table != nullptr ? buildAcceleratorTable(*table) : nullptr;
    const int exitCode = runMessageLoop(window.handle(), accelerators);

    // The window's destruction has waited for the worker's shutdown (what must go out has
    // gone), at most as long as its watchdog allows. The worker may still be inside its last
    // steps; the process ends here without waiting for it further.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
