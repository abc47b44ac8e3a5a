#pragma once
// The by-id control table over a real window: its child controls are reached with
// GetDlgItem, texts converted between UTF-8 and UTF-16, and the boxes owned by the window.
// Threading: the window's own thread.

#include "shell/dialog_controls.h"

#include <windows.h>

struct NativeControls {
    // The window whose children the ids name; it owns the warning boxes.
    HWND window = nullptr;
    // True for a modal dialog, which endDialog ends.
    bool modal = false;
};

// The table over `controls`, which must outlive it. An id the window does not have reads as an
// empty text and an unchecked box; writes to it do nothing.
DialogControls makeNativeDialogControls(NativeControls& controls);

// A box owned by `owner` (nullptr: none) with the icon given as MB_ICON... and an OK button;
// returns once it is closed.
void showNativeBox(HWND owner, const char* text, const char* caption, UINT icon);
