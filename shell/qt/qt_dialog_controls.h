#pragma once
// The controls of a window built from a template, as the window procedures reach them: by id.
// Threading: GUI thread only.

#include "shell/dialog_controls.h"
#include "shell/qt/template_builder.h"

class QDialog;
class QWidget;

struct QtControls {
    const BuiltTemplate* built = nullptr;
    // The window that owns the warning boxes.
    QWidget* window = nullptr;
    // The modal dialog that endDialog ends; nullptr for a main window.
    QDialog* dialog = nullptr;
};

// The table over `controls`, which must outlive it. A call naming an id the template does not
// have does nothing (reads give an empty text and an unchecked state).
DialogControls makeDialogControls(QtControls& controls);

// A warning box owned by `owner`: warning icon, caption, text and an OK button; returns once closed.
void runWarningBox(QWidget* owner, const char* text, const char* caption);
