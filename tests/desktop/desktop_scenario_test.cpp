// Two kovaro windows on a private X server, driven from outside as a person would, with
// xdotool: the first hosts the relay server, the second joins it through its dialog. What
// matters here is the window's part: dialogs confirmed by keyboard, titles, a slot's "Mute"
// clicked where the template puts it, the close box. The audio path itself is tested elsewhere;
// here speech only shows that the click reached the conference.

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>

#include "resources/resource_ids.h"
#include "resources/template_set.h"
#include "shell/qt/dialog_units.h"
#include "shell/qt/template_font.h"
#include "tests/desktop/close_request.h"
#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr int WINDOW_TIMEOUT_MS = 8000;
constexpr int PLAYBACK_TAIL_MS = 700;
// The relay frees a silent session only after 2 to 3 s; a leave shows well before that.
constexpr int LEAVE_SEEN_MS = 1500;
constexpr int EXIT_WAIT_MS = 15000;

std::string xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<std::string> output;
    runToEnd(command, &output);
    return output.empty() ? std::string() : output.front();
}

// The visible window of the program whose whole title is `title`, waited for; 0 when none appeared.
uint32_t waitForWindow(const ChildProgram& program, const std::string& title) {
    for (int waited = 0; waited < WINDOW_TIMEOUT_MS; waited += 50) {
        const std::string id = xdotool(
            {"search", "--all", "--onlyvisible", "--pid", std::to_string(program.pid()), "--name", "^" + title + "$"});
        if (!id.empty()) {
            return static_cast<uint32_t>(std::stoul(id));
        }
        usleep(50 * 1000);
    }
    return 0;
}

// Where the template puts a main-window control, in pixels of the window, from the same font
// metrics the window was built with; the client area lies below the menu bar.
struct MainWindowLayout {
    DialogBaseUnits units;
    int clientTop = 0;

    explicit MainWindowLayout(uint32_t window) {
        units = measureBaseUnits(QFontMetrics(templateFont(participantMainTemplate)));
        std::vector<std::string> lines;
        runToEnd({"xdotool", "getwindowgeometry", "--shell", std::to_string(window)}, &lines);
        for (const std::string& line : lines) {
            if (line.rfind("HEIGHT=", 0) == 0) {
                clientTop = std::stoi(line.substr(7)) - units.toPixelsY(participantMainTemplate.height);
            }
        }
    }

    QRect control(int id) const {
        for (int index = 0; index < participantMainTemplate.controlCount; ++index) {
            const DialogControl& control = participantMainTemplate.controls[index];
            if (control.id == id) {
                return units.toPixels(control.x, control.y, control.width, control.height).translated(0, clientTop);
            }
        }
        return {};
    }
};

// True when the rectangle of the window holds dark pixels (text) on its light background.
bool showsText(uint32_t window, const QRect& area, const std::string& scratchPath) {
    const std::string crop = std::to_string(area.width()) + "x" + std::to_string(area.height()) + "+" +
                             std::to_string(area.x()) + "+" + std::to_string(area.y());
    if (runToEnd({"import", "-window", std::to_string(window), "-crop", crop, scratchPath}) != 0) {
        return false;
    }
    std::vector<std::string> minimum;
    runToEnd({"convert", scratchPath, "-colorspace", "Gray", "-format", "%[fx:minima]\\n", "info:"}, &minimum);
    return !minimum.empty() && std::stod(minimum.front()) < 0.5;
}

}  // namespace

class DesktopScenario : public EndToEndTest {
protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        ASSERT_TRUE(xServer_.start({"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                                   ChildOptions{{}, false, "", path("xvfb.stderr")}));
        const int line = xServer_.waitForLine([](const std::string& text) { return !text.empty(); }, 10000);
        ASSERT_GE(line, 0) << "Xvfb did not start";
        setenv("DISPLAY", (":" + xServer_.lines()[static_cast<size_t>(line)].text).c_str(), 1);
    }

    void TearDown() override {
        xServer_.stop(SIGTERM);
        EndToEndTest::TearDown();
    }

    // A copy of kovaro in a folder of its own, so that it keeps its own settings file.
    bool startKovaro(ChildProgram& program, const std::string& name, const std::string& settings,
                     const std::vector<std::string>& environment) {
        const std::string folder = path(name);
        mkdir(folder.c_str(), 0700);
        writeBytes(folder + "/kovaro", readBytes(KOVARO_BIN_DIR "/kovaro"));
        chmod((folder + "/kovaro").c_str(), 0700);
        writeBytes(folder + "/kovaro.ini", "[torvik]\n" + settings);
        return program.start({folder + "/kovaro"}, ChildOptions{environment, false, path(name + ".stdout"),
                                                               path(name + ".stderr")});
    }

    // Waits until the label shows text (or none); false when it did not within timeoutMs.
    bool labelShows(bool text, uint32_t window, const QRect& label, int timeoutMs) {
        const TestClock::time_point start = TestClock::now();
        while (TestClock::now() - start < std::chrono::milliseconds(timeoutMs)) {
            if (showsText(window, label, path("label.png")) == text) {
                return true;
            }
        }
        return false;
    }

    static void screenshot(uint32_t window, const std::string& name) {
        runToEnd({"import", "-window", std::to_string(window), std::string(KOVARO_DESKTOP_OUTPUT_DIR "/") + name});
    }

private:
    ChildProgram xServer_;
};

TEST_F(DesktopScenario, HostAndGuestWindowsConnectMuteAndLeave) {
    const Samples spoken = speech("Nine small boats sailed across the quiet lake", "en+f3", "speech");
    NullSink hostMicrophone, hostOutput, guestMicrophone, guestOutput;
    loadSink(hostMicrophone, "host_mic");
    loadSink(hostOutput, "host_out");
    loadSink(guestMicrophone, "guest_mic");
    loadSink(guestOutput, "guest_out");
    ASSERT_FALSE(HasFailure());
    const std::string port = std::to_string(freeUdpPort());

    // The host: server mode from its settings, the dialog confirmed with Enter. Its title passes
    // through "Kovaro- サーバ稼働中" to "Kovaro- 接続済" within a millisecond as it joins its own
    // server, too fast for an outside observer; the e2e tests check that sequence.
    ChildProgram host;
    ASSERT_TRUE(startKovaro(host, "host", "NickName=host\nServerMode=1\nRemotePort=" + port + "\nLeft=0\nTop=0\n",
                            audioEnvironment(hostMicrophone, hostOutput)));
    uint32_t dialog = waitForWindow(host, "接続設定");
    ASSERT_NE(dialog, 0u) << readBytes(path("host.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "Return"});
    const uint32_t hostWindow = waitForWindow(host, "Kovaro- 接続済");
    ASSERT_NE(hostWindow, 0u) << readBytes(path("host.stderr"));

    // The guest: nickname and server typed into its dialog.
    ChildProgram guest;
    ASSERT_TRUE(startKovaro(guest, "guest", "ServerMode=0\nRemotePort=" + port + "\nLeft=400\nTop=0\n",
                            audioEnvironment(guestMicrophone, guestOutput)));
    dialog = waitForWindow(guest, "接続設定");
    ASSERT_NE(dialog, 0u) << readBytes(path("guest.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "ctrl+a", "type", "guest"});
    xdotool({"key", "Tab", "type", "127.0.0.1"});
    xdotool({"key", "Return"});
    const uint32_t guestWindow = waitForWindow(guest, "Kovaro- 接続済");
    ASSERT_NE(guestWindow, 0u) << readBytes(path("guest.stderr"));
    EXPECT_NE(readBytes(path("guest/kovaro.ini")).find("RemoteHost=127.0.0.1"), std::string::npos);

    // The host hears the guest, who took slot 1, until it mutes that slot.
    const MainWindowLayout layout(hostWindow);
    const QRect guestName = layout.control(IDC_SLOT_NAME_BASE + 1);
    EXPECT_TRUE(labelShows(true, hostWindow, guestName, WINDOW_TIMEOUT_MS)) << "the host never showed the guest";
    size_t from = hostOutput.recordedSamples();
    ASSERT_TRUE(feedSink(guestMicrophone.name(), path("speech.raw")));
    pause(PLAYBACK_TAIL_MS);
    const SpeechMatch heard = matchSpeech(throughVoiceCodec(spoken), hostOutput.recording(from, hostOutput.recordedSamples()),
                                          2 * SAMPLE_RATE);
    EXPECT_GE(heard.correlation, SPEECH_FOUND);
    screenshot(hostWindow, "host.png");
    screenshot(guestWindow, "guest.png");

    const QPoint mute = layout.control(IDC_SLOT_MUTE_BASE + 1).center();
    xdotool({"mousemove", "--window", std::to_string(hostWindow), std::to_string(mute.x()), std::to_string(mute.y()),
             "click", "1"});
    pause(200);
    from = hostOutput.recordedSamples();
    ASSERT_TRUE(feedSink(guestMicrophone.name(), path("speech.raw")));
    pause(PLAYBACK_TAIL_MS);
    const Samples muted = hostOutput.recording(from, hostOutput.recordedSamples());
    EXPECT_LE(matchSpeech(throughVoiceCodec(spoken), muted, 2 * SAMPLE_RATE).correlation, SPEECH_ABSENT);
    EXPECT_LT(rootMeanSquare(muted), 50.0);
    screenshot(hostWindow, "host-muted.png");

    // The guest's close box: it leaves, so the host's label empties at once, not after a timeout.
    ASSERT_TRUE(requestWindowClose(guestWindow));
    EXPECT_TRUE(labelShows(false, hostWindow, guestName, LEAVE_SEEN_MS))
        << "the host still shows the guest " << LEAVE_SEEN_MS << " ms after its close box";
    // Closing waits for the worker's shutdown, up to its 3 s watchdog; a loaded machine adds more.
    const int guestStatus = guest.waitExit(EXIT_WAIT_MS);
    EXPECT_TRUE(WIFEXITED(guestStatus) && WEXITSTATUS(guestStatus) == 0) << "status " << guestStatus;
    EXPECT_NE(readBytes(path("guest/kovaro.ini")).find("Left=400"), std::string::npos);
    screenshot(hostWindow, "host-after-leave.png");

    ASSERT_TRUE(requestWindowClose(hostWindow));
    const int hostStatus = host.waitExit(EXIT_WAIT_MS);
    EXPECT_TRUE(WIFEXITED(hostStatus) && WEXITSTATUS(hostStatus) == 0) << "status " << hostStatus;
}

int main(int argc, char** argv) {
    // The layout is computed from the window's font without a display of the test's own.
    int qtArgc = 3;
    char program[] = "kovaro_desktop_tests", option[] = "-platform", platform[] = "offscreen";
    char* qtArgv[] = {program, option, platform, nullptr};
    QGuiApplication application(qtArgc, qtArgv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
