// The main thread's wait for the worker that still serves the worker's synchronous window calls.

#include <gtest/gtest.h>

#include "shell/windows/serving_wait.h"

#include <windows.h>

namespace {

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
        [&work] {
            auto& sending = work;
            // Bounded, so a wait that serves nothing fails the test instead of hanging it.
            DWORD_PTR answer = 0;
            sending.delivered = SendMessageTimeoutW(sending.window, WM_APP, 0, 0, SMTO_NORMAL, 5000, &answer) != 0 &&
                                SendMessageTimeoutW(sending.window, WM_APP, 0, 0, SMTO_NORMAL, 5000, &answer) != 0;
            sending.answer = static_cast<LRESULT>(answer);
        });

    EXPECT_TRUE(work.delivered);
    EXPECT_EQ(work.answer, 7);
    EXPECT_EQ(handled, 2);
    // The posted message was left in the queue.
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, window, WM_APP + 1, WM_APP + 1, PM_REMOVE));
    DestroyWindow(window);
}

}  // namespace
