// kovaro.exe under Wine hosting the relay in server mode, its dialog confirmed with the
// keyboard, and a Linux participant-host joining it over UDP: each hears the other. The
// Windows program's nickname travels from its code page 932 settings file to the Linux side.

#include <sys/wait.h>

#include "tests/desktop/close_request.h"
#include "tests/wine/wine_driver.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
constexpr int PLAYBACK_TAIL_MS = 700;

using WindowsServerScenario = WineTest;

TEST_F(WindowsServerScenario, LinuxParticipantAndWindowsHostHearEachOther)
{
    const Samples linuxSpeech = speech("Nine small boats sailed across the quiet lake", "en+f3", "linux");
    const Samples windowsSpeech = speech("Four quiet owls watched the river", "en+m3", "windows");
    NullSink windowsMicrophone, windowsOutput, linuxMicrophone, linuxOutput;
    loadSink(windowsMicrophone, "windows_mic");
    loadSink(windowsOutput, "windows_out");
    loadSink(linuxMicrophone, "linux_mic");
    loadSink(linuxOutput, "linux_out");
    ASSERT_FALSE(HasFailure());
    const uint16_t port = freeUdpPort();

    ChildProgram host;
    ASSERT_TRUE(startWindowsCopy(
        host, "kovaro", "host",
        {"NickName=ウィン", "RemoteHost=127.0.0.1", "RemotePort=" + std::to_string(port), "ServerMode=1"},
        audioEnvironment(windowsMicrophone, windowsOutput)));
    const uint32_t dialog = waitForWindow(host, "接続設定", WINE_WINDOW_TIMEOUT_MS);
    ASSERT_NE(dialog, 0u) << readBytes(path("host.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "Return"});
    const uint32_t window = waitForWindow(host, "Kovaro- 接続済", WINE_WINDOW_TIMEOUT_MS);
    ASSERT_NE(window, 0u) << readBytes(path("host.stderr"));

    ParticipantHost guest;
    ASSERT_TRUE(guest.start("リナ", port, {}, audioEnvironment(linuxMicrophone, linuxOutput), path("guest.stderr")));
    ASSERT_GE(guest.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS), 0) << guest.transcript();
    EXPECT_EQ(guest.waitForSlotOf("ウィン", JOIN_TIMEOUT_MS), 0) << guest.transcript();
    EXPECT_EQ(guest.waitForSlotOf("リナ", JOIN_TIMEOUT_MS), 1) << guest.transcript();

    size_t from = windowsOutput.recordedSamples();
    ASSERT_TRUE(feedSink(linuxMicrophone.name(), path("linux.raw")));
    pause(PLAYBACK_TAIL_MS);
    EXPECT_GE(matchSpeech(throughVoiceCodec(linuxSpeech),
                          windowsOutput.recording(from, windowsOutput.recordedSamples()), 2 * SAMPLE_RATE)
                  .correlation,
              SPEECH_FOUND)
        << "the Windows host did not hear the Linux participant";

    from = linuxOutput.recordedSamples();
    ASSERT_TRUE(feedSink(windowsMicrophone.name(), path("windows.raw")));
    pause(PLAYBACK_TAIL_MS);
    EXPECT_GE(matchSpeech(throughVoiceCodec(windowsSpeech), linuxOutput.recording(from, linuxOutput.recordedSamples()),
                          2 * SAMPLE_RATE)
                  .correlation,
              SPEECH_FOUND)
        << "the Linux participant did not hear the Windows host";
    screenshot(window, "kovaro-windows.png");

    // The close box ends the program cleanly. The dialog saved the port it left out and the
    // close the window's place, into the same file, in code page 932 with CRLF line ends.
    ASSERT_TRUE(requestWindowClose(window));
    const int status = host.waitExit(EXIT_WAIT_MS);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    const std::string settings = windowsSettings("kovaro", "host");
    for (const char* line : {"NickName=ウィン\r\n", "LocalPort=0\r\n", "Left=0\r\n", "Top=0\r\n"}) {
        EXPECT_NE(settings.find(line), std::string::npos) << line << " not in\n" << settings;
    }
}

}  // namespace
