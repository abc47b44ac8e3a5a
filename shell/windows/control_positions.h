#pragma once
// Where a window built from a template put its controls, on the debugger output: Windows draws
// the controls inside its own windows, so a driver from outside (xdotool under Wine) learns
// where to click from these lines. One line for the window's frame, then one per control that
// has an id, all in screen pixels, left top right bottom:
//   "window 104 frame 10 20 330 300\n"
//   "window 104 control 1024 22 60 262 84\n"

#include "resources/dialog_template.h"

#include <windows.h>

void logControlPositions(HWND window, const DialogTemplate& dialog);
