#include "shell/windows/native_window_view.h"

#include "shell/windows/native_controls.h"
#include "shell/windows/wide_text.h"

#include <commctrl.h>

namespace {

constexpr int TEXT_CAPACITY = 256;

// The control of a message box that holds its text.
constexpr int BOX_TEXT_ID = 0xFFFF;

// The message box open on this thread (its class is the dialog class), or null.
HWND openBoxOfThisThread()
{
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t className[16];
            if (GetClassNameW(window, className, 16) > 0 && lstrcmpW(className, L"#32770") == 0) {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    return box;
}

}  // namespace

void NativeWindowView::title(const char* text)
{
    wchar_t wide[TEXT_CAPACITY];
    toWideText(text, wide, TEXT_CAPACITY);
    SetWindowTextW(window_, wide);
}

void NativeWindowView::controlText(int controlId, const char* text)
{
    wchar_t wide[TEXT_CAPACITY];
    toWideText(text, wide, TEXT_CAPACITY);
    SetDlgItemTextW(window_, controlId, wide);
}

void NativeWindowView::meter(int controlId, int position)
{
    SendDlgItemMessageW(window_, controlId, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void NativeWindowView::warning(const char* text, const char* caption)
{
    showNativeBox(window_, text, caption, MB_ICONWARNING);
}

void NativeWindowView::showFatal(const char* text, const char* caption, bool warningIcon)
{
    // Once the main window is gone (the exit watchdog), the box has no owner.
    showNativeBox(IsWindow(window_) ? window_ : nullptr, text, caption, warningIcon ? MB_ICONWARNING : MB_ICONERROR);
}

void NativeWindowView::notice(const char* text, const char* caption, bool onlyIfShowing)
{
    if (noticeShowing_) {
        if (HWND box = openBoxOfThisThread()) {
            wchar_t wide[TEXT_CAPACITY];
            toWideText(text, wide, TEXT_CAPACITY);
            SetDlgItemTextW(box, BOX_TEXT_ID, wide);
            toWideText(caption, wide, TEXT_CAPACITY);
            SetWindowTextW(box, wide);
        }
        return;
    }
    if (onlyIfShowing)
        return;
    noticeShowing_ = true;
    showNativeBox(window_, text, caption, MB_ICONINFORMATION);
    noticeShowing_ = false;
}
