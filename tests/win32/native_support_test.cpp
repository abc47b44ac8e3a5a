// The helpers under the Windows shell: UTF-8 and UTF-16 texts in fixed buffers, and the main
// thread's wait that still serves the worker's synchronous window calls.

#include <gtest/gtest.h>

#include <string>

#include "shell/win32/serving_wait.h"
#include "shell/win32/wide_text.h"

#include <windows.h>

namespace {

TEST(WideText, ConvertsBothWaysAndCutsOnlyBetweenCharacters)
{
    wchar_t wide[8];
    EXPECT_EQ(toWide("接続設定", wide, 8), 4);
    EXPECT_EQ(std::wstring(wide), L"接続設定");
    // Three units of room: "ab" and the first half of the pair would fit, the pair is kept whole.
    EXPECT_EQ(toWide("ab\xF0\x9F\x8E\xA4", wide, 4), 2);
    EXPECT_EQ(std::wstring(wide), L"ab");
    EXPECT_EQ(toWide("", wide, 8), 0);
    EXPECT_EQ(wide[0], L'\0');

    char utf8[8];
    const wchar_t mixed[] = L"a\U0001F3A4b";
    EXPECT_EQ(toUtf8(mixed, 4, utf8, sizeof(utf8)), 6u);
    EXPECT_EQ(std::string(utf8),
              "a\xF0\x9F\x8E\xA4"
              "b");
    // Room for four bytes only: the four-byte character would fit, "b" does not.
    EXPECT_EQ(toUtf8(mixed, 4, utf8, 6), 5u);
    // Room for three: the pair goes whole, not half of it.
    EXPECT_EQ(toUtf8(mixed, 4, utf8, 4), 1u);
    EXPECT_EQ(std::string(utf8), "a");
}

LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return 7;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct SendingWork {
    HWND window;
    LRESULT answer = 0;
    BOOL delivered = FALSE;
};

TEST(ServingWait, WorkThatSendsToThisThreadsWindowsIsServedWhileWaited)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = countingProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ServingWaitTest";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"ServingWaitTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    int handled = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));
    PostMessageW(window, WM_APP + 1, 0, 0);

    SendingWork work{window};
    runServingSentMessages(
        [](void* context) {
            auto& sending = *static_cast<SendingWork*>(context);
            // Bounded, so a wait that serves nothing fails the test instead of hanging it.
            DWORD_PTR answer = 0;
            sending.delivered = SendMessageTimeoutW(sending.window, WM_APP, 0, 0, SMTO_NORMAL, 5000, &answer) != 0 &&
                                SendMessageTimeoutW(sending.window, WM_APP, 0, 0, SMTO_NORMAL, 5000, &answer) != 0;
            sending.answer = static_cast<LRESULT>(answer);
        },
        &work);

    EXPECT_TRUE(work.delivered);
    EXPECT_EQ(work.answer, 7);
    EXPECT_EQ(handled, 2);
    // The posted message was left in the queue.
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, window, WM_APP + 1, WM_APP + 1, PM_REMOVE));
    DestroyWindow(window);
}

}  // namespace
