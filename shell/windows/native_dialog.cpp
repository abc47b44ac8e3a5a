#include "shell/windows/native_dialog.h"

#include "shell/windows/control_positions.h"
#include "shell/windows/native_controls.h"
#include "shell/windows/native_template.h"

namespace {

struct ModalRun {
    const DialogTemplate* dialog;
    DialogProcedure* procedure;
    NativeControls controls{true};
};

INT_PTR CALLBACK modalProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto& run = *reinterpret_cast<ModalRun*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        run.controls.attach(window);
        run.procedure->initialise(run.controls);
        logControlPositions(window, *run.dialog);
        // The dialog manager puts the focus on the first tab stop.
        return TRUE;
    }
    auto* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message != WM_COMMAND || run == nullptr)
        return FALSE;
    const int controlId = LOWORD(wParam);
    if (run->procedure->command(run->controls, controlId))
        return TRUE;
    if (controlId == IDOK || controlId == IDCANCEL) {
        EndDialog(window, controlId);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int runNativeModalDialog(HINSTANCE instance, const DialogTemplate& dialog, HWND owner, DialogProcedure& procedure)
{
    NativeTemplate native;
    if (buildNativeTemplate(dialog, native) != 0)
        return -1;
    ModalRun run{&dialog, &procedure};
    INT_PTR result = DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(native.bytes), owner,
                                             modalProcedure, reinterpret_cast<LPARAM>(&run));
    return static_cast<int>(result);
}
