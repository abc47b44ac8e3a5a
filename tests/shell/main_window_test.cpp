// The main window procedure over a fake shell, fake controls and a recording worker, with its
// settings file in a scratch folder.

#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "conference/worker_events.h"
#include "platform/event_loop.h"
#include "platform/private_profile.h"
#include "resources/resource_ids.h"
#include "tests/shell/fake_controls.h"
#include "tests/support/scratch_folder.h"

namespace {

struct Posted {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// The shell and the worker as the window sees them. Every call that matters for order goes
// into one log.
class FakeShell : public MainWindowHost, public WorkerPort {
public:
    using DialogScript = std::function<void(FakeControls& controls, DialogProcedure& procedure)>;

    explicit FakeShell(bool hasSendRow) : controls(mainWindowControls(hasSendRow)) {}

    void setTitle(const char* text) override { title = text; }
    void setMenuItemState(int commandId, bool checked, bool enabled) override
    {
        menuItems[commandId] = MenuItemState{checked, enabled};
    }
    void postToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        queue.push_back(Posted{message, wParam, lParam});
    }
    int runDialog(int templateId, DialogProcedure& procedure) override;
    DesktopRect windowRect() const override { return frame; }
    void moveWindow(int32_t left, int32_t top) override
    {
        frame = DesktopRect{left, top, left + width(), top + height()};
    }
    size_t screens(DesktopRect* rects, size_t capacity) const override
    {
        size_t count = std::min(capacity, screenRects.size());
        std::copy_n(screenRects.begin(), count, rects);
        return count;
    }
    void destroyWindow() override { window->handle(WM_DESTROY, 0, 0); }
    void quit(int exitCode) override { log.push_back("quit " + std::to_string(exitCode)); }

    void start() override { log.push_back("worker start"); }
    bool post(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        posts.push_back(Posted{message, wParam, lParam});
        log.push_back("worker post " + std::to_string(message));
        return true;
    }
    bool shutdown() override
    {
        log.push_back("worker shutdown");
        return true;
    }

    // Hands every queued message to the window, in order.
    void pump()
    {
        while (!queue.empty()) {
            Posted next = queue.front();
            queue.pop_front();
            window->handle(next.message, next.wParam, next.lParam);
        }
    }

    // A click on a mute button as the window hears of it.
    void click(int controlId)
    {
        controls.click(controlId);
        EXPECT_TRUE(window->handle(WM_COMMAND, static_cast<uintptr_t>(controlId), 0));
    }

    int32_t width() const { return frame.right - frame.left; }
    int32_t height() const { return frame.bottom - frame.top; }

    struct MenuItemState {
        bool checked;
        bool enabled;
    };

    FakeControls controls;
    std::map<int, MenuItemState> menuItems;
    MainWindow* window = nullptr;
    std::string title;
    DesktopRect frame{0, 0, 358, 380};
    std::vector<DesktopRect> screenRects{{0, 0, 1920, 1080}};
    std::deque<Posted> queue;
    std::vector<Posted> posts;
    std::vector<std::string> log;
    // What the user does in the next connection dialogs; without a script the dialog is cancelled.
    std::deque<DialogScript> dialogScripts;
};

int FakeShell::runDialog(int templateId, DialogProcedure& procedure)
{
    log.push_back("dialog " + std::to_string(templateId));
    FakeControls dialog = connectDialogControls(templateId);
    procedure.initialise(dialog);
    if (dialogScripts.empty()) {
        dialog.click(IDCANCEL, procedure);
    } else {
        dialogScripts.front()(dialog, procedure);
        dialogScripts.pop_front();
    }
    EXPECT_NE(dialog.endResult, FakeControls::NOT_ENDED) << "the script left the dialog open";
    return dialog.endResult;
}

class MainWindowTest : public ::testing::Test {
protected:
    void open(const MainWindowVariant& variant)
    {
        ASSERT_TRUE(folder.isValid());
        shell = std::make_unique<FakeShell>(variant.hasMicrophone);
        window = std::make_unique<MainWindow>(variant, *shell, shell->controls, *shell, iniPath.c_str());
        shell->window = window.get();
        window->create();
    }

    void writeInt(const char* key, int value)
    {
        writeProfileString(SETTINGS_SECTION, key, std::to_string(value).c_str(), iniPath.c_str());
    }

    int readInt(const char* key) { return readProfileInt(SETTINGS_SECTION, key, -12345, iniPath.c_str()); }

    ScratchFolder folder;
    std::string iniPath = folder.file("kovaro.ini");
    std::unique_ptr<FakeShell> shell;
    std::unique_ptr<MainWindow> window;
};

}  // namespace

TEST_F(MainWindowTest, CreationRestoresThePositionAndStartsTheWorkerBeforeTheDialog)
{
    writeInt("Left", 300);
    writeInt("Top", 200);
    open(PARTICIPANT_MAIN_WINDOW);
    EXPECT_EQ(shell->title, "Kovaro");
    EXPECT_EQ(shell->frame.left, 300);
    EXPECT_EQ(shell->frame.top, 200);
    EXPECT_EQ(shell->width(), 358) << "the size changed";
    EXPECT_TRUE(shell->log.empty()) << "creation ran what it should only queue";

    shell->pump();
    // The worker hears the voice-processing switches before anything else.
    EXPECT_EQ(shell->log, (std::vector<std::string>{"worker start", "worker post " + std::to_string(WM_COMMAND),
                                                    "dialog " + std::to_string(IDD_CONNECT)}));
    EXPECT_EQ(shell->controls[IDC_SEND_METER].rangeMaximum, 96);
    for (int slot = 0; slot < 16; ++slot) {
        EXPECT_EQ(shell->controls[IDC_SLOT_METER_BASE + slot].rangeMinimum, 0);
        EXPECT_EQ(shell->controls[IDC_SLOT_METER_BASE + slot].rangeMaximum, 96);
    }
}

TEST_F(MainWindowTest, MuteButtonsPostTheirStateAndIndex)
{
    open(PARTICIPANT_MAIN_WINDOW);
    shell->pump();
    shell->posts.clear();
    shell->click(IDC_SLOT_MUTE_BASE + 3);
    shell->click(IDC_SLOT_MUTE_BASE + 3);
    shell->click(IDC_SEND_MUTE);
    shell->click(IDC_RECV_MUTE);
    ASSERT_EQ(shell->posts.size(), 4u);
    const Posted expected[] = {{WM_COMMAND, CMD_MUTE_SLOT, 1 << 16 | 3},
                               {WM_COMMAND, CMD_MUTE_SLOT, 0 << 16 | 3},
                               {WM_COMMAND, CMD_MUTE_MASTER, 1 << 16 | 1},
                               {WM_COMMAND, CMD_MUTE_MASTER, 1 << 16 | 0}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(shell->posts[i].message, expected[i].message) << i;
        EXPECT_EQ(shell->posts[i].wParam, expected[i].wParam) << i;
        EXPECT_EQ(shell->posts[i].lParam, expected[i].lParam) << i;
    }
}

TEST_F(MainWindowTest, ConnectSavesAndPostsOnlyOnOk)
{
    open(PARTICIPANT_MAIN_WINDOW);
    shell->pump();
    ASSERT_EQ(shell->posts.size(), 1u) << "only the voice-processing switches";
    shell->posts.clear();
    EXPECT_FALSE(fileExists(iniPath)) << "a cancelled dialog wrote the file";

    shell->dialogScripts.push_back([](FakeControls& dialog, DialogProcedure& procedure) {
        dialog[IDC_REMOTE_PORT].text = "12000";
        dialog.click(IDOK, procedure);
    });
    EXPECT_TRUE(window->handle(WM_COMMAND, IDM_CONNECT, 0));
    ASSERT_EQ(shell->posts.size(), 1u);
    EXPECT_EQ(shell->posts[0].message, WM_WORKER_CONNECT);
    EXPECT_EQ(shell->posts[0].lParam, reinterpret_cast<intptr_t>(&window->liveSettings()));
    EXPECT_EQ(window->liveSettings().remotePort, 12000);
    EXPECT_EQ(readInt("RemotePort"), 12000);
    EXPECT_EQ(readInt("ServerMode"), 1);
    EXPECT_EQ(readInt("LocalPort"), 0);
    char nickname[32];
    readProfileString(SETTINGS_SECTION, "NickName", "", nickname, sizeof(nickname), iniPath.c_str());
    EXPECT_STREQ(nickname, "unnamed");
}

TEST_F(MainWindowTest, VoiceProcessingSwitchesAreReadAtCreationAndHandedToTheWorkerAtItsStart)
{
    writeInt("NoiseSuppression", 0);
    open(PARTICIPANT_MAIN_WINDOW);
    ASSERT_EQ(shell->menuItems.size(), 3u);
    EXPECT_TRUE(shell->menuItems[IDM_ECHO_CANCEL].checked);
    EXPECT_FALSE(shell->menuItems[IDM_NOISE_SUPPRESSION].checked);
    EXPECT_TRUE(shell->menuItems[IDM_AUTO_GAIN].checked);
    for (const auto& [commandId, state] : shell->menuItems)
        EXPECT_TRUE(state.enabled) << commandId;
    shell->pump();
    ASSERT_FALSE(shell->posts.empty());
    EXPECT_EQ(shell->posts[0].message, WM_COMMAND);
    EXPECT_EQ(shell->posts[0].wParam, CMD_VOICE_PROCESSING);
    EXPECT_EQ(shell->posts[0].lParam, 1 | 4);
}

TEST_F(MainWindowTest, ChoosingAVoiceItemTogglesItsCheckSavesItsKeyAndPostsAllThree)
{
    open(PARTICIPANT_MAIN_WINDOW);
    shell->pump();
    shell->posts.clear();
    // Each item in turn switched off: its bit leaves the packed switches.
    const struct {
        int commandId;
        const char* key;
        intptr_t packed;
    } items[] = {{IDM_ECHO_CANCEL, "EchoCancel", 2 | 4},
                 {IDM_NOISE_SUPPRESSION, "NoiseSuppression", 4},
                 {IDM_AUTO_GAIN, "AutoGain", 0}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.key);
        EXPECT_TRUE(window->handle(WM_COMMAND, static_cast<uintptr_t>(item.commandId), 0));
        EXPECT_FALSE(shell->menuItems[item.commandId].checked);
        EXPECT_EQ(readInt(item.key), 0);
        ASSERT_FALSE(shell->posts.empty());
        EXPECT_EQ(shell->posts.back().message, WM_COMMAND);
        EXPECT_EQ(shell->posts.back().wParam, CMD_VOICE_PROCESSING);
        EXPECT_EQ(shell->posts.back().lParam, item.packed);
    }
    EXPECT_TRUE(window->handle(WM_COMMAND, IDM_NOISE_SUPPRESSION, 0));
    EXPECT_TRUE(shell->menuItems[IDM_NOISE_SUPPRESSION].checked);
    EXPECT_EQ(readInt("NoiseSuppression"), 1);
    EXPECT_EQ(readInt("EchoCancel"), 0);
    EXPECT_EQ(shell->posts.back().lParam, 2);
    EXPECT_EQ(shell->posts.size(), 4u);
}

TEST_F(MainWindowTest, CloseBoxAndExitBothSaveThePositionAndShutTheWorkerDown)
{
    for (bool byMenu : {false, true}) {
        SCOPED_TRACE(byMenu ? "exit item" : "close box");
        std::remove(iniPath.c_str());
        open(PARTICIPANT_MAIN_WINDOW);
        shell->pump();
        shell->frame = DesktopRect{-700, 40, -342, 420};
        shell->log.clear();
        if (byMenu)
            EXPECT_TRUE(window->handle(WM_COMMAND, IDM_EXIT, 0));
        else
            EXPECT_TRUE(window->handle(WM_DESTROY, 0, 0));
        EXPECT_EQ(shell->log, (std::vector<std::string>{"worker shutdown", "quit 0"}));
        EXPECT_EQ(readInt("Left"), -700);
        EXPECT_EQ(readInt("Top"), 40);
        // A click or command arriving after the window is gone reaches nobody.
        EXPECT_FALSE(window->handle(WM_COMMAND, IDM_CONNECT, 0));
        EXPECT_EQ(shell->log.size(), 2u);
    }
}

TEST_F(MainWindowTest, DedicatedServerEditsOnlyItsPortAndHasNoSendRow)
{
    writeInt("RemotePort", 5000);
    open(SERVER_MAIN_WINDOW);
    EXPECT_EQ(shell->title, "Kovaro SERVER");
    shell->dialogScripts.push_back([](FakeControls& dialog, DialogProcedure& procedure) {
        EXPECT_EQ(dialog[IDC_REMOTE_PORT].text, "5000");
        dialog[IDC_REMOTE_PORT].text = "6000";
        dialog.click(IDOK, procedure);
    });
    shell->pump();
    EXPECT_EQ(shell->log[1], "dialog " + std::to_string(IDD_SERVER_CONNECT));
    EXPECT_EQ(shell->controls[IDC_SLOT_METER_BASE + 15].rangeMaximum, 96);
    ASSERT_EQ(shell->posts.size(), 1u);
    EXPECT_EQ(shell->posts[0].message, WM_WORKER_CONNECT);
    const ConnectSettings& live = window->liveSettings();
    EXPECT_EQ(live.serverMode, 1);
    EXPECT_EQ(live.localPort, 0);
    EXPECT_EQ(live.remotePort, 6000);
    EXPECT_EQ(readInt("RemotePort"), 6000);
    EXPECT_EQ(readInt("ServerMode"), -12345) << "the server wrote a participant key";
    // No microphone: no voice-processing items, switches or keys.
    EXPECT_TRUE(shell->menuItems.empty());
    EXPECT_FALSE(window->handle(WM_COMMAND, IDM_ECHO_CANCEL, 0));
    EXPECT_EQ(shell->posts.size(), 1u);
    EXPECT_EQ(readInt("EchoCancel"), -12345);
}
