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
    ProcedureDialog(QWidget* owner, const DialogProcedure& procedure, const DialogControls& controls)
        : QDialog(owner), procedure_(procedure), controls_(controls)
    {
    }

    void deliver(int controlId)
    {
        if (!procedure_.command(procedure_.context, controls_, controlId) &&
            (controlId == IDOK || controlId == IDCANCEL)) {
            done(controlId);
        }
    }

    void reject() override { deliver(IDCANCEL); }

private:
    const DialogProcedure& procedure_;
    const DialogControls& controls_;
};

}  // namespace

int runModalDialog(const DialogTemplate& dialog, QWidget* owner, const DialogProcedure& procedure)
{
    BuiltTemplate built;
    QtControls qtControls;
    const DialogControls controls = makeDialogControls(qtControls);
    ProcedureDialog window(owner, procedure, controls);
    if (buildDialog(dialog, window, built) != 0) {
        return -1;
    }
    qtControls = QtControls{&built, &window, &window};
    window.setWindowIcon(owner != nullptr ? owner->windowIcon() : QIcon());
    procedure.initialise(procedure.context, controls);
    for (int index = 0; index < built.controlCount; ++index) {
        const int id = built.controls[index].id;
        if (auto* button = qobject_cast<QAbstractButton*>(built.controls[index].widget)) {
            QObject::connect(button, &QAbstractButton::clicked, &window, [&window, id] { window.deliver(id); });
        }
    }
    return window.exec();
}
