#include "shell/windows/native_controls.h"

#include "shell/windows/wide_text.h"

#include <commctrl.h>

namespace {

// The longest box text is the host name of 255 characters; this also holds any box's message.
constexpr int TEXT_CAPACITY = 1024;

}  // namespace

size_t NativeControls::text(int controlId, char* out, size_t capacity) const
{
    if (capacity == 0)
        return 0;
    wchar_t wide[TEXT_CAPACITY];
    HWND control = controlOf(controlId);
    int length = control != nullptr ? GetWindowTextW(control, wide, TEXT_CAPACITY) : 0;
    int stored = wideToUtf8(wide, static_cast<size_t>(length), out, capacity, true);
    // Text that is not UTF-16 (half a surrogate pair) reads as none.
    if (stored < 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(stored);
}

void NativeControls::showText(int controlId, const char* text) const
{
    wchar_t wide[TEXT_CAPACITY];
    toWideText(text, wide, TEXT_CAPACITY);
    if (HWND control = controlOf(controlId))
        SetWindowTextW(control, wide);
}

bool NativeControls::checked(int controlId) const
{
    HWND control = controlOf(controlId);
    return control != nullptr && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void NativeControls::check(int controlId, bool checkedState) const
{
    if (HWND control = controlOf(controlId))
        SendMessageW(control, BM_SETCHECK, checkedState ? BST_CHECKED : BST_UNCHECKED, 0);
}

void NativeControls::enable(int controlId, bool enabled) const
{
    if (HWND control = controlOf(controlId))
        EnableWindow(control, enabled ? TRUE : FALSE);
}

void NativeControls::limit(int controlId, int characters) const
{
    if (HWND control = controlOf(controlId))
        SendMessageW(control, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void NativeControls::range(int controlId, int minimum, int maximum) const
{
    if (HWND control = controlOf(controlId))
        SendMessageW(control, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
}

void NativeControls::warning(const char* text, const char* caption) const
{
    showNativeBox(window_, text, caption, MB_ICONWARNING);
}

void NativeControls::end(int result) const
{
    if (modal_)
        EndDialog(window_, result);
}

void showNativeBox(HWND owner, const char* text, const char* caption, UINT icon)
{
    wchar_t wideText[TEXT_CAPACITY];
    wchar_t wideCaption[TEXT_CAPACITY];
    toWideText(text, wideText, TEXT_CAPACITY);
    toWideText(caption, wideCaption, TEXT_CAPACITY);
    MessageBoxW(owner, wideText, wideCaption, MB_OK | icon);
}
