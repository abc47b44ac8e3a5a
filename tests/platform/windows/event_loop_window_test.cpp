// Windows only: the loop is a window of the thread that built it, and the thread's own message
// loops (a message box runs one while it is open) deliver the loop's events.

#include <gtest/gtest.h>

#include <thread>

#include "platform/event_loop.h"
#include "tests/platform/event_recorder.h"

namespace {

constexpr uint32_t MSG_A = 0x8100;
constexpr uint32_t TIMER_ID = 0x8205;

TEST(EventLoopWindow, IsAHiddenWindowOfTheLoopsThread)
{
    EventLoop loop;
    ASSERT_TRUE(loop.isValid());
    HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"ZUBEXWORKERWINDOW", L"ZUBEXWORKERWINDOW");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST(EventLoopWindow, TheThreadsOwnMessageLoopDeliversPostsAndTimers)
{
    EventLoop loop;
    ASSERT_TRUE(loop.isValid());
    EventRecorder recorder;
    recorder.attach(loop);
    recorder.onEvent = [](RecordedEvent event) {
        if (event.message == WM_TIMER)
            PostQuitMessage(0);
    };
    loop.setTimer(TIMER_ID, 30);
    const DWORD loopThread = GetCurrentThreadId();
    // Posted from another thread before the message loop starts, so that they wait ahead of
    // the timer's expiry however slowly the loop gets going.
    std::thread poster([&] {
        loop.post(MSG_A, 1, 0);
        loop.post(MSG_A, 2, 0);
    });
    poster.join();
    // Guard: ends the message loop if the timer never comes, so the test fails instead of hanging.
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread guard([loopThread, done] {
        if (WaitForSingleObject(done, 5000) == WAIT_TIMEOUT)
            PostThreadMessageW(loopThread, WM_QUIT, 1, 0);
    });

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    SetEvent(done);
    guard.join();
    CloseHandle(done);

    const std::vector<RecordedEvent> expected{{MSG_A, 1, 0}, {MSG_A, 2, 0}, timerEvent(TIMER_ID)};
    EXPECT_EQ(recorder.events, expected);
}

}  // namespace
