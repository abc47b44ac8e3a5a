// Without a sound server the participant cannot open its microphone: it shows the input
// device box with PulseAudio's own text and ends with exit code 0.

#include <signal.h>
#include <sys/wait.h>

#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"

TEST_F(EndToEndTest, WithoutASoundServerTheInputDeviceBoxEndsTheProgram)
{
    ParticipantHost host;
    ASSERT_TRUE(
        host.start("nobody", freeUdpPort(), {}, {"PULSE_SERVER=unix:" + path("no-such-socket")}, path("host.stderr")));
    const int status = host.process.waitExit(10000);
    ASSERT_NE(status, -1) << "still running: " << host.transcript();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    host.process.finishOutput();

    const std::string caption = "fatal Error: オーディオ入力デバイスが開けません。|";
    // The devices are opened before the connect is handled: the box is all there is.
    const std::vector<TimedLine> lines = host.process.lines();
    ASSERT_EQ(lines.size(), 1u) << host.transcript();
    EXPECT_EQ(lines[0].text, caption + "Connection refused") << "the text must be the sound server's own";
}
