#pragma once
// What the worker may do to the main window: a table of operations supplied by the program
// (a Qt window, or a console for the headless host). Every text is UTF-8.
// Threading: called on the worker thread; calls take effect in order. The Qt view hands them
// to the window's thread without waiting; the Windows view makes synchronous window calls and
// shows boxes on the worker's thread, whose modal loop goes on delivering the worker's events,
// and the window's thread serves such calls even while it waits for the worker.

#include <cstdint>

struct MainWindowView {
    void* context = nullptr;
    void (*setTitle)(void* context, const char* title) = nullptr;
    void (*setControlText)(void* context, int controlId, const char* text) = nullptr;
    void (*setMeter)(void* context, int controlId, int position) = nullptr;
    // A warning box owned by the main window.
    void (*showWarning)(void* context, const char* text, const char* caption) = nullptr;
    // An error box that ends the process with exit code 0 once it is closed. Does not return.
    void (*showFatal)(void* context, const char* text, const char* caption, bool warningIcon) = nullptr;
    // A notice that nobody has to answer: shown without waiting, replacing the text of the
    // notice still showing; with onlyIfShowing, nothing is shown once the user closed it.
    // Optional: a view without it shows nothing.
    void (*showNotice)(void* context, const char* text, const char* caption, bool onlyIfShowing) = nullptr;

    void title(const char* text) const { setTitle(context, text); }
    void controlText(int controlId, const char* text) const { setControlText(context, controlId, text); }
    void meter(int controlId, int position) const { setMeter(context, controlId, position); }
    void warning(const char* text, const char* caption) const { showWarning(context, text, caption); }
    [[noreturn]] void fatal(const char* text, const char* caption, bool warningIcon) const;
    void notice(const char* text, const char* caption, bool onlyIfShowing) const
    {
        if (showNotice != nullptr)
            showNotice(context, text, caption, onlyIfShowing);
    }
};
