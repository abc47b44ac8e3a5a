// Each template of the resource set, built in memory and created as a real dialog: every
// control exists with its id, class, styles and text, in template order, and Tab visits the
// tab stops in that order.

#include "resources/resource_ids.h"
#include "resources/template_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/windows/native_main_window.h"
#include "shell/windows/native_template.h"

#include <windows.h>

#include <commctrl.h>

namespace {

std::wstring wide(const char* utf8)
{
    wchar_t buffer[256];
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, buffer, 256);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length - 1) : 0);
}

std::wstring classOf(HWND window)
{
    wchar_t name[64];
    int length = GetClassNameW(window, name, 64);
    return std::wstring(name, static_cast<size_t>(length));
}

std::wstring textOf(HWND window)
{
    wchar_t text[256];
    int length = GetWindowTextW(window, text, 256);
    return std::wstring(text, static_cast<size_t>(length));
}

class NativeTemplateTest : public ::testing::TestWithParam<const DialogTemplate*> {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
        // The main windows name the program's own class.
        NativeMainWindow::registerWindowClass(GetModuleHandleW(nullptr));
    }

    void SetUp() override
    {
        ASSERT_EQ(buildNativeTemplate(dialog(), native), 0);
        window = CreateDialogIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(native.bytes), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(window, nullptr) << "error " << GetLastError();
    }

    void TearDown() override
    {
        if (window != nullptr)
            DestroyWindow(window);
    }

    const DialogTemplate& dialog() const { return *GetParam(); }

    NativeTemplate native;
    HWND window = nullptr;
};

TEST_P(NativeTemplateTest, WindowHasTheTemplatesFrameTitleClassAndSize)
{
    const DialogTemplate& templ = dialog();
    EXPECT_EQ(textOf(window), wide(templ.title));
    EXPECT_EQ(classOf(window), templ.windowClass != nullptr ? wide(templ.windowClass) : L"#32770");
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME) << "fixed size";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    const bool mainWindow = templ.frame == DialogFrame::MainWindow;
    EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, mainWindow);
    EXPECT_EQ((GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0, mainWindow);

    RECT expected{0, 0, templ.width, templ.height};
    MapDialogRect(window, &expected);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);
}

TEST_P(NativeTemplateTest, ControlsComeInTemplateOrderWithTheirClassStyleAndText)
{
    const DialogTemplate& templ = dialog();
    HWND child = GetWindow(window, GW_CHILD);
    for (int index = 0; index < templ.controlCount; ++index) {
        const DialogControl& control = templ.controls[index];
        SCOPED_TRACE("control " + std::to_string(index) + " id " + std::to_string(control.id));
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), control.id);
        const NativeControlStyle expected = nativeControlStyle(control);
        EXPECT_EQ(_wcsicmp(classOf(child).c_str(), expected.className), 0) << "class";
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        EXPECT_EQ(style & ~WS_BORDER, expected.style & ~WS_BORDER) << std::hex << style;
        EXPECT_EQ((style & WS_TABSTOP) != 0, (control.style & StyleTabStop) != 0);
        EXPECT_EQ(IsWindowEnabled(child) == FALSE, (control.style & StyleDisabled) != 0);
        if (control.kind != ControlKind::ProgressBar) {
            EXPECT_EQ(textOf(child), wide(control.text));
        }

        // The dialog manager maps the position and the size each on its own.
        RECT expectedPlace{control.x, control.y, control.width, control.height};
        MapDialogRect(window, &expectedPlace);
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expectedPlace.left);
        EXPECT_EQ(actual.top, expectedPlace.top);
        EXPECT_EQ(actual.right - actual.left, expectedPlace.right);
        EXPECT_EQ(actual.bottom - actual.top, expectedPlace.bottom);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no control beyond the template's";
}

TEST_P(NativeTemplateTest, TabVisitsTheEnabledTabStopsInTemplateOrder)
{
    const DialogTemplate& templ = dialog();
    std::vector<int> expected;
    for (int index = 0; index < templ.controlCount; ++index) {
        const DialogControl& control = templ.controls[index];
        if ((control.style & StyleTabStop) && !(control.style & StyleDisabled))
            expected.push_back(control.id);
    }
    ASSERT_FALSE(expected.empty());
    std::vector<int> visited;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND item = first; item != nullptr && visited.size() <= expected.size();) {
        visited.push_back(GetDlgCtrlID(item));
        item = GetNextDlgTabItem(window, item, FALSE);
        if (item == first)
            break;
    }
    EXPECT_EQ(visited, expected);
}

INSTANTIATE_TEST_SUITE_P(Templates, NativeTemplateTest,
                         ::testing::Values(&participantMainTemplate, &connectTemplate, &serverMainTemplate,
                                           &serverConnectTemplate),
                         [](const ::testing::TestParamInfo<const DialogTemplate*>& param) {
                             return "template" + std::to_string(param.param->resourceId);
                         });

TEST(NativeTemplate, TemplateTooLargeForTheBufferIsRefused)
{
    static DialogControl many[200];
    for (DialogControl& control : many)
        control = DialogControl{1000, ControlKind::Label, "表示名 : 15Bytesマデ", 0, 0, 10, 10, StyleNone, 0};
    DialogTemplate large = connectTemplate;
    large.controls = many;
    large.controlCount = 200;
    NativeTemplate native;
    EXPECT_EQ(buildNativeTemplate(large, native), -1);
    EXPECT_EQ(native.size, 0u);
}

}  // namespace
