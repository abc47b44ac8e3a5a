#pragma once
// Runs a dialog procedure modally over a window built from its template.
// Threading: GUI thread only.

#include "resources/dialog_template.h"
#include "shell/dialog_controls.h"

class QWidget;

// Builds the dialog owned by `owner`, calls the procedure's initialise once its controls exist,
// then its command for each click of a button or check box (the check box already toggled).
// Escape and the close box deliver IDCANCEL. A command the procedure leaves alone ends the
// dialog when it is IDOK or IDCANCEL. Returns the result the dialog ended with, or -1 when the
// template could not be built.
int runModalDialog(const DialogTemplate& dialog, QWidget* owner, DialogProcedure& procedure);
