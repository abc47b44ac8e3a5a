#pragma once
// Realises a dialog template as Qt widgets inside a client widget: every control at its
// place, in tab order, with its initial enabled state, text limit and input filter.
// Threading: GUI thread only.

#include "resources/dialog_template.h"
#include "shell/qt/dialog_units.h"

#include <QSize>

class QWidget;

struct BuiltTemplate {
    static constexpr int capacity = 64;  // the largest template has 53 controls

    struct Entry {
        int id = 0;
        QWidget* widget = nullptr;
    };

    Entry controls[capacity];
    int controlCount = 0;  // controls with an id; labels without one are not addressable
    DialogBaseUnits baseUnits;
    QSize clientSize;

    // The control with this id, or nullptr.
    QWidget* control(int id) const;
};

// Fills the empty widget client with the template's controls in the template's font and
// fixes its size to the template's. Returns 0, or -1 when the template has more addressable
// controls than BuiltTemplate holds (nothing is built then).
int buildTemplate(const DialogTemplate& dialog, QWidget& client, BuiltTemplate& built);
