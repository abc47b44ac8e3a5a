#pragma once
// The main window of a program as a Windows window: class zelAppDialog (with the dialog
// manager's extra bytes), created from its template in memory with CreateDialogIndirectParam,
// the menu bar attached, and driven by the window procedure (MainWindow) as its host, over the
// window's controls. Clicks on mute buttons, menu items and the F2 accelerator reach the procedure
// as WM_COMMAND; the close box and "終了(&X)" both destroy the window, which gives WM_DESTROY.
// One main window per process. Threading: the main thread only.

#include <optional>

#include "resources/dialog_template.h"
#include "shell/main_window.h"

#include "shell/windows/native_controls.h"

constexpr wchar_t MAIN_WINDOW_CLASS[] = L"zelAppDialog";

class NativeMainWindow : public MainWindowHost {
public:
    // `settingsPath` as for MainWindow: nullptr for the program's own settings file.
    // The worker must outlive the window.
    NativeMainWindow(HINSTANCE instance, const MainWindowVariant& variant, WorkerPort& worker,
                     const char* settingsPath = nullptr);
    NativeMainWindow(const NativeMainWindow&) = delete;
    NativeMainWindow& operator=(const NativeMainWindow&) = delete;

    // Registers the window class with the program icon (resource IDI_APP). Returns 0 or -1.
    static int registerWindowClass(HINSTANCE instance);

    // Creates the window, hidden; the procedure's creation steps run inside (title, position,
    // the worker's start and the connect command queued). Returns 0, or -1 when the template
    // or the window cannot be made.
    int create();

    HWND handle() const { return window_; }
    const DialogTemplate* dialog() const { return dialog_; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate(HWND window);
    void attachMenu();

    void setTitle(const char* title) override;
    void setMenuItemState(int commandId, bool checked, bool enabled) override;
    void postToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    int runDialog(int templateId, DialogProcedure& procedure) override;
    DesktopRect windowRect() const override;
    void moveWindow(int32_t left, int32_t top) override;
    size_t screens(DesktopRect* rects, size_t capacity) const override;
    void destroyWindow() override;
    void quit(int exitCode) override;

    HINSTANCE instance_;
    MainWindowVariant variant_;
    WorkerPort& worker_;
    const char* settingsPath_;
    const DialogTemplate* dialog_ = nullptr;
    HWND window_ = nullptr;
    NativeControls controls_{false};
    std::optional<MainWindow> procedure_;
};
