#pragma once
// The by-id controls of a real window: its child controls are reached with
// GetDlgItem, texts converted between UTF-8 and UTF-16, and the boxes owned by the window.
// Threading: the window's own thread.

#include "shell/dialog_controls.h"

#include <windows.h>

// An id the window does not have reads as an empty text and an unchecked box; writes to it do
// nothing.
class NativeControls : public DialogControls {
public:
    // `modal`: true for a modal dialog, which end() ends.
    explicit NativeControls(bool modal) : modal_(modal) {}

    // The window whose children the ids name, once it exists; it owns the warning boxes.
    void attach(HWND window) { window_ = window; }
    HWND window() const { return window_; }

    size_t text(int controlId, char* out, size_t capacity) const override;
    void showText(int controlId, const char* text) const override;
    bool checked(int controlId) const override;
    void check(int controlId, bool checkedState) const override;
    void enable(int controlId, bool enabled) const override;
    void limit(int controlId, int characters) const override;
    void range(int controlId, int minimum, int maximum) const override;
    void warning(const char* text, const char* caption) const override;
    void end(int result) const override;

private:
    HWND controlOf(int controlId) const { return GetDlgItem(window_, controlId); }

    HWND window_ = nullptr;
    bool modal_;
};

// A box owned by `owner` (nullptr: none) with the icon given as MB_ICON... and an OK button;
// returns once it is closed.
void showNativeBox(HWND owner, const char* text, const char* caption, UINT icon);
