// The worker's view of the main window: calls from another thread are synchronous, so what a
// call set is in the window as soon as it returns, while this thread serves the calls.

#include "resources/resource_ids.h"
#include "resources/template_set.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/windows/native_template.h"
#include "shell/windows/native_window_view.h"
#include "shell/windows/serving_wait.h"

#include <commctrl.h>

namespace {

struct ViewCalls {
    MainWindowView& view;
    HWND window;
    std::wstring titleAfterCall;
    std::wstring labelAfterCall;
    LRESULT meterAfterCall = -1;
};

TEST(NativeWindowView, CallsFromTheWorkerThreadHaveTakenEffectWhenTheyReturn)
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    DialogTemplate plain = serverMainTemplate;
    plain.windowClass = nullptr;  // the dialog class, so no class of ours is needed
    NativeTemplate native;
    ASSERT_EQ(buildNativeTemplate(plain, native), 0);
    HWND window = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(native.bytes), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(window, nullptr);
    SendDlgItemMessageW(window, IDC_SLOT_METER_BASE + 2, PBM_SETRANGE, 0, MAKELPARAM(0, 96));

    NativeWindowView view;
    view.attach(window);
    ViewCalls calls{view, window, L"", L"", -1};
    runServingSentMessages(
        [&calls] {
            auto& that = calls;
            wchar_t text[64];
            that.view.title("Kovaro SERVER- サーバ稼働中");
            GetWindowTextW(that.window, text, 64);
            that.titleAfterCall = text;
            that.view.controlText(IDC_SLOT_NAME_BASE + 2, "たろう");
            GetDlgItemTextW(that.window, IDC_SLOT_NAME_BASE + 2, text, 64);
            that.labelAfterCall = text;
            that.view.meter(IDC_SLOT_METER_BASE + 2, 57);
            that.meterAfterCall = SendDlgItemMessageW(that.window, IDC_SLOT_METER_BASE + 2, PBM_GETPOS, 0, 0);
        });

    EXPECT_EQ(calls.titleAfterCall, L"Kovaro SERVER- サーバ稼働中");
    EXPECT_EQ(calls.labelAfterCall, L"たろう");
    EXPECT_EQ(calls.meterAfterCall, 57);
    DestroyWindow(window);
}

}  // namespace
