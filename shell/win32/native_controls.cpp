#include "shell/win32/native_controls.h"

#include "shell/win32/wide_text.h"

#include <commctrl.h>

namespace {

// The longest box text is the host name of 255 characters; this also holds any box's message.
constexpr int TEXT_CAPACITY = 1024;

NativeControls& controlsOf(void* context)
{
    return *static_cast<NativeControls*>(context);
}

HWND controlOf(void* context, int controlId)
{
    return GetDlgItem(controlsOf(context).window, controlId);
}

size_t getText(void* context, int controlId, char* text, size_t capacity)
{
    if (capacity == 0)
        return 0;
    wchar_t wide[TEXT_CAPACITY];
    HWND control = controlOf(context, controlId);
    int length = control != nullptr ? GetWindowTextW(control, wide, TEXT_CAPACITY) : 0;
    int stored = wideToUtf8(wide, static_cast<size_t>(length), text, capacity, true);
    // Text that is not UTF-16 (half a surrogate pair) reads as none.
    if (stored < 0) {
        text[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(stored);
}

void setText(void* context, int controlId, const char* text)
{
    wchar_t wide[TEXT_CAPACITY];
    toWideText(text, wide, TEXT_CAPACITY);
    if (HWND control = controlOf(context, controlId))
        SetWindowTextW(control, wide);
}

bool isChecked(void* context, int controlId)
{
    HWND control = controlOf(context, controlId);
    return control != nullptr && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setChecked(void* context, int controlId, bool checked)
{
    if (HWND control = controlOf(context, controlId))
        SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void setEnabled(void* context, int controlId, bool enabled)
{
    if (HWND control = controlOf(context, controlId))
        EnableWindow(control, enabled ? TRUE : FALSE);
}

void setLimit(void* context, int controlId, int characters)
{
    if (HWND control = controlOf(context, controlId))
        SendMessageW(control, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void setRange(void* context, int controlId, int minimum, int maximum)
{
    if (HWND control = controlOf(context, controlId))
        SendMessageW(control, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
}

void showWarning(void* context, const char* text, const char* caption)
{
    showNativeBox(controlsOf(context).window, text, caption, MB_ICONWARNING);
}

void endDialog(void* context, int result)
{
    NativeControls& controls = controlsOf(context);
    if (controls.modal)
        EndDialog(controls.window, result);
}

}  // namespace

DialogControls makeNativeDialogControls(NativeControls& controls)
{
    DialogControls table;
    table.context = &controls;
    table.getText = getText;
    table.setText = setText;
    table.isChecked = isChecked;
    table.setChecked = setChecked;
    table.setEnabled = setEnabled;
    table.setLimit = setLimit;
    table.setRange = setRange;
    table.showWarning = showWarning;
    table.endDialog = endDialog;
    return table;
}

void showNativeBox(HWND owner, const char* text, const char* caption, UINT icon)
{
    wchar_t wideText[TEXT_CAPACITY];
    wchar_t wideCaption[TEXT_CAPACITY];
    toWideText(text, wideText, TEXT_CAPACITY);
    toWideText(caption, wideCaption, TEXT_CAPACITY);
    MessageBoxW(owner, wideText, wideCaption, MB_OK | icon);
}
