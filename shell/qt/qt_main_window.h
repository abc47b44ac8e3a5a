#pragma once
// The main window of a program as a Qt window: built from its template with menu, F2 and icon,
// driven by the window procedure (MainWindow) as its host, over the window's controls.
// Clicks on push-like check buttons, menu items and accelerators reach the procedure as
// WM_COMMAND; the close box and "終了(&X)" both reach it as WM_DESTROY.
// Threading: GUI thread only.

#include "shell/main_window.h"
#include "shell/qt/command_sink.h"
#include "shell/qt/qt_dialog_controls.h"
#include "shell/qt/template_builder.h"

#include <QMainWindow>

#include <optional>

class QCloseEvent;

class QtMainWindow : public QMainWindow, public MainWindowHost, private CommandSink {
public:
    QtMainWindow() = default;
    QtMainWindow(const QtMainWindow&) = delete;
    QtMainWindow& operator=(const QtMainWindow&) = delete;

    // Builds the window's controls, menu and accelerators from the variant's template. Returns 0,
    // or -1 when the template cannot be built. The controls exist from then on (the worker's view
    // may be made over them); the procedure does not run yet.
    int build(const MainWindowVariant& variant);
    // Makes the procedure over the worker and runs its creation steps (title, position, the
    // worker's start and the connect command queued), then shows the window. `settingsPath`
    // as for MainWindow.
    void open(WorkerPort& worker, const char* settingsPath = nullptr);

    const BuiltTemplate& controls() const { return built_; }
    const MainWindow* procedure() const { return procedure_ ? &*procedure_ : nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setTitle(const char* title) override;
    void setMenuItemState(int commandId, bool checked, bool enabled) override;
    void postToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    int runDialog(int templateId, DialogProcedure& procedure) override;
    DesktopRect windowRect() const override;
    void moveWindow(int32_t left, int32_t top) override;
    size_t screens(DesktopRect* rects, size_t capacity) const override;
    void destroyWindow() override;
    void quit(int exitCode) override;
    // A menu item's or accelerator's command.
    void send(int commandId) override;

    void deliver(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void destroy();

    const MainWindowVariant* variant_ = nullptr;
    BuiltTemplate built_;
    QtControls controls_{built_, this, nullptr};
    std::optional<MainWindow> procedure_;
    bool destroyed_ = false;
};
