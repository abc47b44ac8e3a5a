// The main window as a real Windows window over a recording worker: what its creation leaves
// behind (menu, size, title, queued start and connect), the meters' range at the worker's
// start, a mute button's click reaching the worker, the voice-processing items greyed, and its
// destruction.

#include "conference/worker_events.h"
#include "platform/private_profile.h"
#include "resources/resource_ids.h"
#include "resources/template_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/windows/native_main_window.h"
#include "tests/support/scratch_folder.h"

#include <commctrl.h>

namespace {

struct Posted {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

struct RecordingWorker : WorkerPort {
    int starts = 0;
    int shutdowns = 0;
    std::vector<Posted> posted;

    void start() override { ++starts; }
    bool post(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        posted.push_back(Posted{message, wParam, lParam});
        return true;
    }
    bool shutdown() override
    {
        ++shutdowns;
        return true;
    }
};

class NativeMainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { NativeMainWindow::registerWindowClass(GetModuleHandleW(nullptr)); }

    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid());
        // A switch saved off, as a build that processes the microphone saves it.
        writeProfileString("torvik", "EchoCancel", "0", settingsPath.c_str());
        ASSERT_EQ(window.create(), 0);
    }

    void TearDown() override
    {
        if (IsWindow(window.handle()))
            DestroyWindow(window.handle());
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Takes the next message queued for the window without dispatching it.
    bool takeQueued(MSG& message) { return PeekMessageW(&message, window.handle(), 0, 0, PM_REMOVE) != FALSE; }

    ScratchFolder scratch;
    std::string settingsPath = scratch.file("kovaro.ini");
    RecordingWorker worker;
    NativeMainWindow window{GetModuleHandleW(nullptr), PARTICIPANT_MAIN_WINDOW, worker, settingsPath.c_str()};
};

TEST_F(NativeMainWindowTest, CreationGivesClassMenuTitleTemplateSizeAndQueuesStartThenConnect)
{
    HWND handle = window.handle();
    wchar_t text[64];
    GetClassNameW(handle, text, 64);
    EXPECT_EQ(std::wstring(text), L"zelAppDialog");
    GetWindowTextW(handle, text, 64);
    EXPECT_EQ(std::wstring(text), L"Kovaro");
    EXPECT_NE(GetMenu(handle), nullptr);
    // The menu bar is added to the frame, not taken from the template's client area.
    RECT expected{0, 0, participantMainTemplate.width, participantMainTemplate.height};
    MapDialogRect(handle, &expected);
    RECT client;
    GetClientRect(handle, &client);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);

    MSG first;
    MSG second;
    ASSERT_TRUE(takeQueued(first));
    ASSERT_TRUE(takeQueued(second));
    EXPECT_EQ(first.message, WM_WORKER_START);
    EXPECT_EQ(second.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(second.wParam), IDM_CONNECT);
    EXPECT_EQ(worker.starts, 0) << "the worker starts only when the window handles its start";
}

TEST_F(NativeMainWindowTest, WorkerStartSetsTheMetersRangeAndAMuteClickPostsItsState)
{
    HWND handle = window.handle();
    SendMessageW(handle, WM_WORKER_START, 0, 0);
    EXPECT_EQ(worker.starts, 1);
    for (int id : {IDC_SEND_METER, IDC_SLOT_METER_BASE, IDC_SLOT_METER_BASE + 15}) {
        PBRANGE range{};
        SendDlgItemMessageW(handle, id, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        EXPECT_EQ(range.iLow, 0) << id;
        EXPECT_EQ(range.iHigh, 96) << id;
    }

    SendDlgItemMessageW(handle, IDC_SLOT_MUTE_BASE + 3, BM_CLICK, 0, 0);
    SendDlgItemMessageW(handle, IDC_SLOT_MUTE_BASE + 3, BM_CLICK, 0, 0);
    SendDlgItemMessageW(handle, IDC_SEND_MUTE, BM_CLICK, 0, 0);
    ASSERT_EQ(worker.posted.size(), 3u);
    EXPECT_EQ(worker.posted[0].message, static_cast<uint32_t>(WM_COMMAND));
    EXPECT_EQ(worker.posted[0].wParam, CMD_MUTE_SLOT);
    EXPECT_EQ(worker.posted[0].lParam, (1 << 16) | 3);
    EXPECT_EQ(worker.posted[1].lParam, 3);
    EXPECT_EQ(worker.posted[2].wParam, CMD_MUTE_MASTER);
    EXPECT_EQ(worker.posted[2].lParam, (1 << 16) | 1);
}

TEST_F(NativeMainWindowTest, VoiceItemsShowTheSavedSwitchesGreyedAndChangeNothing)
{
    HWND handle = window.handle();
    HMENU menu = GetMenu(handle);
    for (int id : {IDM_ECHO_CANCEL, IDM_NOISE_SUPPRESSION, IDM_AUTO_GAIN}) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
        ASSERT_NE(state, static_cast<UINT>(-1)) << id;
        EXPECT_EQ((state & MF_CHECKED) != 0, id != IDM_ECHO_CANCEL) << id;
        EXPECT_NE(state & MF_GRAYED, 0u) << id;
    }
    SendMessageW(handle, WM_WORKER_START, 0, 0);
    SendMessageW(handle, WM_COMMAND, IDM_NOISE_SUPPRESSION, 0);
    EXPECT_TRUE(worker.posted.empty()) << "the microphone goes unprocessed here";
    EXPECT_NE(GetMenuState(menu, IDM_NOISE_SUPPRESSION, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(readProfileInt("torvik", "NoiseSuppression", -1, settingsPath.c_str()), -1);
    EXPECT_EQ(readProfileInt("torvik", "EchoCancel", -1, settingsPath.c_str()), 0);
}

TEST_F(NativeMainWindowTest, ExitCommandDestroysTheWindowSavesItsPlaceAndEndsTheLoop)
{
    HWND handle = window.handle();
    SetWindowPos(handle, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(handle, WM_WORKER_START, 0, 0);
    SendMessageW(handle, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(worker.shutdowns, 1);
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(readProfileInt("torvik", "Left", -1, settingsPath.c_str()), 40);
    EXPECT_EQ(readProfileInt("torvik", "Top", -1, settingsPath.c_str()), 30);
}

}  // namespace
