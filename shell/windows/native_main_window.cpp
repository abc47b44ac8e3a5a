#include "shell/windows/native_main_window.h"

#include "conference/worker_events.h"
#include "resources/resource_ids.h"
#include "resources/template_set.h"
#include "shell/windows/native_dialog.h"
#include "shell/windows/native_menu.h"
#include "shell/windows/native_template.h"
#include "shell/windows/wide_text.h"

#include <commctrl.h>

namespace {

constexpr int TITLE_CAPACITY = 256;

// The window whose creation runs: the class procedure meets it before any message could
// carry its address.
NativeMainWindow* windowBeingCreated = nullptr;

DesktopRect toDesktopRect(const RECT& rect)
{
    return DesktopRect{rect.left, rect.top, rect.right, rect.bottom};
}

struct ScreenList {
    DesktopRect* rects;
    size_t capacity;
    size_t count;
};

BOOL CALLBACK addScreen(HMONITOR monitor, HDC, LPRECT, LPARAM context)
{
    auto& list = *reinterpret_cast<ScreenList*>(context);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info) || list.count == list.capacity)
        return TRUE;
    // The primary screen goes first.
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
        for (size_t index = list.count; index > 0; --index)
            list.rects[index] = list.rects[index - 1];
        list.rects[0] = toDesktopRect(info.rcMonitor);
    } else {
        list.rects[list.count] = toDesktopRect(info.rcMonitor);
    }
    ++list.count;
    return TRUE;
}

}  // namespace

NativeMainWindow::NativeMainWindow(HINSTANCE instance, const MainWindowVariant& variant, WorkerPort& worker,
                                   const char* settingsPath)
    : instance_(instance), variant_(variant), worker_(worker), settingsPath_(settingsPath)
{
}

int NativeMainWindow::registerWindowClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProcedure;
    // A window made from a dialog template keeps the dialog manager's data in these bytes.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExW(&windowClass) != 0 ? 0 : -1;
}

int NativeMainWindow::create()
{
    dialog_ = findDialogTemplate(variant_.templateId);
    NativeTemplate native;
    if (dialog_ == nullptr || buildNativeTemplate(*dialog_, native) != 0)
        return -1;
    windowBeingCreated = this;
    HWND window =
        CreateDialogIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(native.bytes), nullptr, nullptr, 0);
    windowBeingCreated = nullptr;
    return window != nullptr ? 0 : -1;
}

LRESULT CALLBACK NativeMainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<NativeMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr && windowBeingCreated != nullptr) {
        self = windowBeingCreated;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    return self != nullptr ? self->handle(window, message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT NativeMainWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_CTLCOLORSTATIC:
        // Labels on the window's own background (the class brush), not on the dialog grey.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_MENU));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_MENU));
    case WM_WORKER_START:
    case WM_COMMAND:
    case WM_DESTROY:
        if (procedure_ && procedure_->handle(message, wParam, lParam))
            return 0;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void NativeMainWindow::onCreate(HWND window)
{
    window_ = window;
    controls_.attach(window);
    // The template's progress bars are created right after this message.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    attachMenu();
    procedure_.emplace(variant_, *this, controls_, worker_, settingsPath_);
    procedure_->create();
}

void NativeMainWindow::attachMenu()
{
    const MenuResource* resource = findMenu(dialog_->menuId);
    HMENU menu = resource != nullptr ? buildMenu(*resource) : nullptr;
    RECT client;
    if (menu == nullptr || !GetClientRect(window_, &client) || !SetMenu(window_, menu))
        return;
    // The window's size was made for the template without a menu bar; it grows by the bar, so
    // the client area keeps the template's size.
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
    const DWORD extendedStyle = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
    AdjustWindowRectEx(&client, style, TRUE, extendedStyle);
    SetWindowPos(window_, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeMainWindow::setTitle(const char* title)
{
    wchar_t wide[TITLE_CAPACITY];
    toWideText(title, wide, TITLE_CAPACITY);
    SetWindowTextW(window_, wide);
}

void NativeMainWindow::setMenuItemState(int commandId, bool checked, bool enabled)
{
    HMENU menu = GetMenu(window_);
    const UINT item = static_cast<UINT>(commandId);
    CheckMenuItem(menu, item, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu, item, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void NativeMainWindow::postToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    PostMessageW(window_, message, wParam, lParam);
}

int NativeMainWindow::runDialog(int templateId, DialogProcedure& procedure)
{
    const DialogTemplate* dialog = findDialogTemplate(templateId);
    return dialog != nullptr ? runNativeModalDialog(instance_, *dialog, window_, procedure) : -1;
}

DesktopRect NativeMainWindow::windowRect() const
{
    RECT rect{};
    GetWindowRect(window_, &rect);
    return toDesktopRect(rect);
}

void NativeMainWindow::moveWindow(int32_t left, int32_t top)
{
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

size_t NativeMainWindow::screens(DesktopRect* rects, size_t capacity) const
{
    ScreenList list{rects, capacity, 0};
    EnumDisplayMonitors(nullptr, nullptr, addScreen, reinterpret_cast<LPARAM>(&list));
    return list.count;
}

void NativeMainWindow::destroyWindow()
{
    DestroyWindow(window_);
}

void NativeMainWindow::quit(int exitCode)
{
    PostQuitMessage(exitCode);
}
