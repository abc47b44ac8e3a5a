#pragma once
// The controls of a window built from a template, as the window procedures reach them: by id.
// Threading: GUI thread only.

#include "shell/dialog_controls.h"
#include "shell/qt/template_builder.h"

class QDialog;
class QWidget;

// The controls of `built`, which must outlive them. A call naming an id the template does not
// have does nothing (reads give an empty text and an unchecked state).
class QtControls : public DialogControls {
public:
    // `window` owns the warning boxes; `dialog` is the modal dialog that end() ends, nullptr for a
    // main window.
    QtControls(const BuiltTemplate& built, QWidget* window, QDialog* dialog)
        : built_(built), window_(window), dialog_(dialog)
    {
    }

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
    const BuiltTemplate& built_;
    QWidget* window_;
    QDialog* dialog_;
};

// A warning box owned by `owner`: warning icon, caption, text and an OK button; returns once closed.
void runWarningBox(QWidget* owner, const char* text, const char* caption);
