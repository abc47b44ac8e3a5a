// kovarosrv.exe under Wine relaying between a Windows kovaro.exe and the Linux kovaro, each
// confirmed with the keyboard: speech both ways through the Windows server, which plays both
// speakers on its own output too.

#include "resources/resource_ids.h"
#include "resources/template_set.h"
#include "tests/wine/wine_driver.h"

namespace {

constexpr int PLAYBACK_TAIL_MS = 700;

class WindowsRelayScenario : public WineTest {
protected:
    // Feeds the speech into the microphone; how well each output then holds it.
    std::vector<double> heardWhileSpeaking(const NullSink& microphone, const std::string& rawName,
                                           const Samples& spoken, const std::vector<NullSink*>& outputs)
    {
        std::vector<size_t> from;
        for (const NullSink* output : outputs) {
            from.push_back(output->recordedSamples());
        }
        EXPECT_TRUE(feedSink(microphone.name(), path(rawName)));
        pause(PLAYBACK_TAIL_MS);
        std::vector<double> correlations;
        for (size_t index = 0; index < outputs.size(); ++index) {
            const Samples heard = outputs[index]->recording(from[index], outputs[index]->recordedSamples());
            correlations.push_back(matchSpeech(throughVoiceCodec(spoken), heard, 2 * SAMPLE_RATE).correlation);
        }
        return correlations;
    }
};

TEST_F(WindowsRelayScenario, WindowsAndLinuxParticipantsHearEachOtherThroughIt)
{
    const Samples linuxSpeech = speech("Seven green apples fell on the kitchen floor", "en+f3", "linux");
    const Samples windowsSpeech = speech("Four quiet owls watched the river", "en+m3", "windows");
    NullSink serverOutput, windowsMicrophone, windowsOutput, linuxMicrophone, linuxOutput;
    loadSink(serverOutput, "server_out");
    loadSink(windowsMicrophone, "windows_mic");
    loadSink(windowsOutput, "windows_out");
    loadSink(linuxMicrophone, "linux_mic");
    loadSink(linuxOutput, "linux_out");
    ASSERT_FALSE(HasFailure());
    const std::string port = std::to_string(freeUdpPort());

    ChildProgram server;
    ASSERT_TRUE(startWindowsCopy(server, "kovarosrv", "server", {"RemotePort=" + port, "Top=0", "Left=0"},
                                 {"PULSE_SINK=" + serverOutput.name()}));
    uint32_t dialog = waitForWindow(server, "接続設定", WINE_WINDOW_TIMEOUT_MS);
    ASSERT_NE(dialog, 0u) << readBytes(path("server.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "Return"});
    const uint32_t serverWindow = waitForWindow(server, "Kovaro SERVER- サーバ稼働中", WINE_WINDOW_TIMEOUT_MS);
    ASSERT_NE(serverWindow, 0u) << readBytes(path("server.stderr"));

    ChildProgram windowsGuest;
    ASSERT_TRUE(startWindowsCopy(windowsGuest, "kovaro", "windows",
                                 {"NickName=win", "RemoteHost=127.0.0.1", "RemotePort=" + port, "ServerMode=0",
                                  "LocalPort=0", "Top=0", "Left=420"},
                                 audioEnvironment(windowsMicrophone, windowsOutput)));
    dialog = waitForWindow(windowsGuest, "接続設定", WINE_WINDOW_TIMEOUT_MS);
    ASSERT_NE(dialog, 0u) << readBytes(path("windows.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "Return"});
    const uint32_t guestWindow = waitForWindow(windowsGuest, "Kovaro- 接続済", WINE_WINDOW_TIMEOUT_MS);
    ASSERT_NE(guestWindow, 0u) << readBytes(path("windows.stderr"));

    ChildProgram linuxGuest;
    ASSERT_TRUE(startCopy(linuxGuest, "kovaro", "linux",
                          "NickName=linux\nRemoteHost=127.0.0.1\nServerMode=0\nRemotePort=" + port +
                              "\nLeft=0\nTop=440\n",
                          audioEnvironment(linuxMicrophone, linuxOutput)));
    dialog = waitForWindow(linuxGuest, "接続設定");
    ASSERT_NE(dialog, 0u) << readBytes(path("linux.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "Return"});
    const uint32_t linuxWindow = waitForWindow(linuxGuest, "Kovaro- 接続済");
    ASSERT_NE(linuxWindow, 0u) << readBytes(path("linux.stderr"));
    // kovaro.exe joined first and holds slot 0.
    const MainWindowLayout layout(linuxWindow, participantMainTemplate);
    EXPECT_TRUE(labelShows(true, linuxWindow, layout.control(IDC_SLOT_NAME_BASE + 0), WINDOW_TIMEOUT_MS))
        << "the Linux kovaro never showed kovaro.exe";

    const std::vector<double> linuxHeard =
        heardWhileSpeaking(linuxMicrophone, "linux.raw", linuxSpeech, {&windowsOutput, &serverOutput});
    EXPECT_GE(linuxHeard[0], SPEECH_FOUND) << "kovaro.exe did not hear the Linux participant";
    EXPECT_GE(linuxHeard[1], SPEECH_FOUND) << "kovarosrv.exe did not play the Linux participant";
    const std::vector<double> windowsHeard =
        heardWhileSpeaking(windowsMicrophone, "windows.raw", windowsSpeech, {&linuxOutput, &serverOutput});
    EXPECT_GE(windowsHeard[0], SPEECH_FOUND) << "the Linux participant did not hear kovaro.exe";
    EXPECT_GE(windowsHeard[1], SPEECH_FOUND) << "kovarosrv.exe did not play kovaro.exe";
    screenshot(serverWindow, "kovarosrv-windows.png");
}

}  // namespace
