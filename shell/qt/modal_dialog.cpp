#include "shell/qt/modal_dialog.h"

#include "resources/resource_ids.h"
#include "shell/qt/qt_dialog_controls.h"
#include "shell/qt/window_builder.h"

#include <QAbstractButton>
#include <QDialog>
#include <QIcon>

namespace {

// Qt ends a dialog on Escape and on its close box through reject(); here both become the
// IDCANCEL command, which the procedure may refuse (a dialog whose Cancel is disabled).
class ProcedureDialog : public QDialog {
public:
    // The controls are those of `built`, once it is built over this dialog.
    ProcedureDialog(QWidget* owner, DialogProcedure& procedure, const BuiltTemplate& built)
        : QDialog(owner), procedure_(procedure), controls_(built, this, this)
    {
    }

    const DialogControls& controls() const { return controls_; }

    void deliver(int controlId)
    {
        if (!procedure_.command(controls_, controlId) && (controlId == IDOK || controlId == IDCANCEL)) {
            done(controlId);
        }
    }

    void reject() override { deliver(IDCANCEL); }

private:
    DialogProcedure& procedure_;
    QtControls controls_;
};

}  // namespace

int runModalDialog(const DialogTemplate& dialog, QWidget* owner, DialogProcedure& procedure)
{
    BuiltTemplate built;
    ProcedureDialog window(owner, procedure, built);
    if (buildDialog(dialog, window, built) != 0) {
        return -1;
    }
    window.setWindowIcon(owner != nullptr ? owner->windowIcon() : QIcon());
    procedure.initialise(window.controls());
    for (int index = 0; index < built.controlCount; ++index) {
        const int id = built.controls[index].id;
        if (auto* button = qobject_cast<QAbstractButton*>(built.controls[index].widget)) {
            QObject::connect(button, &QAbstractButton::clicked, &window, [&window, id] { window.deliver(id); });
        }
    }
    return window.exec();
}
