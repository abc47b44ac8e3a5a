// Two kovaro windows on a private X server, driven from outside as a person would, with
// xdotool: the first hosts the relay server, the second joins it through its dialog. What
// matters here is the window's part: dialogs confirmed by keyboard, titles, a slot's "Mute"
// clicked where the template puts it, the close box. The audio path itself is tested elsewhere;
// here speech only shows that the click reached the conference.

#include <signal.h>
#include <sys/wait.h>

#include "resources/resource_ids.h"
#include "resources/template_set.h"
#include "tests/desktop/close_request.h"
#include "tests/desktop/desktop_driver.h"

namespace {

constexpr int PLAYBACK_TAIL_MS = 700;
// The relay frees a silent session only after 2 to 3 s; a leave shows well before that.
constexpr int LEAVE_SEEN_MS = 1500;

using DesktopScenario = DesktopTest;

TEST_F(DesktopScenario, HostAndGuestWindowsConnectMuteAndLeave)
{
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
    ASSERT_TRUE(startCopy(host, "kovaro", "host",
                          "NickName=host\nServerMode=1\nRemotePort=" + port + "\nLeft=0\nTop=0\n",
                          audioEnvironment(hostMicrophone, hostOutput)));
    uint32_t dialog = waitForWindow(host, "接続設定");
    ASSERT_NE(dialog, 0u) << readBytes(path("host.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "Return"});
    const uint32_t hostWindow = waitForWindow(host, "Kovaro- 接続済");
    ASSERT_NE(hostWindow, 0u) << readBytes(path("host.stderr"));

    // The guest: nickname and server typed into its dialog.
    ChildProgram guest;
    ASSERT_TRUE(startCopy(guest, "kovaro", "guest", "ServerMode=0\nRemotePort=" + port + "\nLeft=400\nTop=0\n",
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
    const MainWindowLayout layout(hostWindow, participantMainTemplate);
    const QRect guestName = layout.control(IDC_SLOT_NAME_BASE + 1);
    EXPECT_TRUE(labelShows(true, hostWindow, guestName, WINDOW_TIMEOUT_MS)) << "the host never showed the guest";
    size_t from = hostOutput.recordedSamples();
    ASSERT_TRUE(feedSink(guestMicrophone.name(), path("speech.raw")));
    pause(PLAYBACK_TAIL_MS);
    const SpeechMatch heard = matchSpeech(throughVoiceCodec(spoken),
                                          hostOutput.recording(from, hostOutput.recordedSamples()), 2 * SAMPLE_RATE);
    EXPECT_GE(heard.correlation, SPEECH_FOUND);
    screenshot(hostWindow, "host.png");
    screenshot(guestWindow, "guest.png");

    layout.click(hostWindow, IDC_SLOT_MUTE_BASE + 1);
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

}  // namespace
