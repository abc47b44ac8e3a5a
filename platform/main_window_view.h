#pragma once
// What the worker may do to the main window, as the program supplies it (a Qt window, or a
// console for the headless host). Every text is UTF-8.
// Threading: called on the worker thread; calls take effect in order. The Qt view hands them
// to the window's thread without waiting; the Windows view makes synchronous window calls and
// shows boxes on the worker's thread, whose modal loop goes on delivering the worker's events,
// and the window's thread serves such calls even while it waits for the worker.

#include <cstdint>

class MainWindowView {
public:
    virtual void title(const char* text) = 0;
    virtual void controlText(int controlId, const char* text) = 0;
    virtual void meter(int controlId, int position) = 0;
    // A warning box owned by the main window.
    virtual void warning(const char* text, const char* caption) = 0;
    // An error box that ends the process with exit code 0 once it is closed. Does not return.
    [[noreturn]] void fatal(const char* text, const char* caption, bool warningIcon);
    // A notice that nobody has to answer: shown without waiting, replacing the text of the
    // notice still showing; with onlyIfShowing, nothing is shown once the user closed it.
    // Optional: a view without it shows nothing.
    virtual void notice(const char* /*text*/, const char* /*caption*/, bool /*onlyIfShowing*/) {}

protected:
    ~MainWindowView() = default;
    // The box of fatal().
    virtual void showFatal(const char* text, const char* caption, bool warningIcon) = 0;
};
