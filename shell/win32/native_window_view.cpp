#include "shell/win32/native_window_view.h"

#include "shell/win32/native_controls.h"
#include "shell/win32/wide_text.h"

#include <commctrl.h>

namespace {

constexpr int TEXT_CAPACITY = 256;

// The control of a message box that holds its text.
constexpr int BOX_TEXT_ID = 0xFFFF;

HWND windowOf(void* context)
{
    return static_cast<const NativeWindowView*>(context)->window();
}

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

void setTitle(void* context, const char* title)
{
    wchar_t wide[TEXT_CAPACITY];
    toWideText(title, wide, TEXT_CAPACITY);
    SetWindowTextW(windowOf(context), wide);
}

void setControlText(void* context, int controlId, const char* text)
{
    wchar_t wide[TEXT_CAPACITY];
    toWideText(text, wide, TEXT_CAPACITY);
    SetDlgItemTextW(windowOf(context), controlId, wide);
}

void setMeter(void* context, int controlId, int position)
{
    SendDlgItemMessageW(windowOf(context), controlId, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void showWarning(void* context, const char* text, const char* caption)
{
    showNativeBox(windowOf(context), text, caption, MB_ICONWARNING);
}

void showFatal(void* context, const char* text, const char* caption, bool warningIcon)
{
    // Once the main window is gone (the exit watchdog), the box has no owner.
    HWND window = windowOf(context);
    showNativeBox(IsWindow(window) ? window : nullptr, text, caption, warningIcon ? MB_ICONWARNING : MB_ICONERROR);
}

}  // namespace

void NativeWindowView::showNotice(void* context, const char* text, const char* caption, bool onlyIfShowing)
{
    auto& view = *static_cast<NativeWindowView*>(context);
    if (view.noticeShowing_) {
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
    view.noticeShowing_ = true;
    showNativeBox(view.window_, text, caption, MB_ICONINFORMATION);
    view.noticeShowing_ = false;
}

MainWindowView NativeWindowView::table()
{
    MainWindowView view;
    view.context = this;
    view.setTitle = setTitle;
    view.setControlText = setControlText;
    view.setMeter = setMeter;
    view.showWarning = showWarning;
    view.showFatal = showFatal;
    view.showNotice = showNotice;
    return view;
}
