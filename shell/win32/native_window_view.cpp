#include "shell/win32/native_window_view.h"

#include "shell/win32/native_controls.h"
#include "shell/win32/wide_text.h"

#include <commctrl.h>

namespace {

constexpr int TEXT_CAPACITY = 256;

HWND windowOf(void* context)
{
    return *static_cast<HWND*>(context);
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

MainWindowView NativeWindowView::table()
{
    MainWindowView view;
    view.context = &window_;
    view.setTitle = setTitle;
    view.setControlText = setControlText;
    view.setMeter = setMeter;
    view.showWarning = showWarning;
    view.showFatal = showFatal;
    return view;
}
