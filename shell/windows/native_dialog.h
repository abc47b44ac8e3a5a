#pragma once
// Runs a dialog procedure modally over a dialog built in memory from its template.
// Threading: the owner's thread.

#include "resources/dialog_template.h"
#include "shell/dialog_controls.h"

#include <windows.h>

// Builds the dialog owned by `owner`, calls the procedure's initialise once its controls exist,
// then its command for every WM_COMMAND by control id (a check box already toggled). Escape and
// the close box deliver IDCANCEL, as the dialog manager does. A command the procedure leaves
// alone ends the dialog when it is IDOK or IDCANCEL. Returns the result the dialog ended with,
// or -1 when the dialog could not be built.
int runNativeModalDialog(HINSTANCE instance, const DialogTemplate& dialog, HWND owner, DialogProcedure& procedure);
