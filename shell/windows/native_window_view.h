#pragma once
// The worker's view of the main window. Every call is a synchronous window call from the
// worker's thread: the title and the labels with SetWindowTextW, the meters with PBM_SETPOS;
// each returns once the main thread has handled it, which it does between its own messages
// and inside its modal loops. Boxes are shown on the worker's thread, owned by the main window;
// while one is open, the box's own loop goes on dispatching the worker's events. A notice is
// such a box too; a later notice while it is open replaces its text.
// Threading: attach on the main thread before the worker starts; the view's calls on the
// worker thread.

#include "platform/main_window_view.h"

#include <windows.h>

class NativeWindowView final : public MainWindowView {
public:
    void attach(HWND window) { window_ = window; }

    void title(const char* text) override;
    void controlText(int controlId, const char* text) override;
    void meter(int controlId, int position) override;
    void warning(const char* text, const char* caption) override;
    void notice(const char* text, const char* caption, bool onlyIfShowing) override;

private:
    void showFatal(const char* text, const char* caption, bool warningIcon) override;

    HWND window_ = nullptr;
    // Worker thread: a notice box is open (the worker runs inside its loop).
    bool noticeShowing_ = false;
};
