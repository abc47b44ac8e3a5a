// One participant-host in server mode on the test sound server: its speech goes microphone ->
// encoder -> the relay in its own worker -> back to its own slot -> decoder -> playback.

#include <signal.h>
#include <sys/wait.h>

#include <iostream>

#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
// Longer than the way from the microphone to the recorded output, so the whole speech is in.
constexpr int PLAYBACK_TAIL_MS = 700;
constexpr int SETTLE_MS = 300;

std::vector<std::string> connectResetLines()
{
    std::vector<std::string> lines;
    for (int slot = 0; slot < SLOTS; ++slot) {
        lines.push_back("meter " + std::to_string(SLOT_METER_BASE + slot) + " 0");
        lines.push_back("text " + std::to_string(NAME_LABEL_BASE + slot) + " ");
    }
    lines.push_back("meter " + std::to_string(OWN_METER) + " 0");
    return lines;
}

}

TEST_F(EndToEndTest, ServerModeParticipantHearsItsOwnSpeechThroughItsRelay)
{
    const Samples spoken = speech("Seven green apples fell on the kitchen floor", "en+m3", "speech");
    ASSERT_FALSE(HasFailure());
    NullSink microphone;
    NullSink output;
    loadSink(microphone, "mic");
    loadSink(output, "out");
    ASSERT_FALSE(HasFailure());

    ParticipantHost host;
    ASSERT_TRUE(
        host.start("ソロ", freeUdpPort(), {"--server"}, audioEnvironment(microphone, output), path("host.stderr")));
    ASSERT_GE(host.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS), 0) << host.transcript();
    EXPECT_EQ(host.waitForSlotOf("ソロ", JOIN_TIMEOUT_MS), 0) << host.transcript();

    // The connect clears every slot and the own meter, in order, right after its first title.
    const std::vector<TimedLine> lines = host.process.lines();
    ASSERT_GT(lines.size(), connectResetLines().size());
    EXPECT_EQ(lines[0].text, TITLE_CONNECTING);
    std::vector<std::string> afterTitle;
    for (size_t i = 1; i <= connectResetLines().size(); ++i)
        afterTitle.push_back(lines[i].text);
    EXPECT_EQ(afterTitle, connectResetLines());
    EXPECT_EQ(host.linesStartingWith("title "),
              (std::vector<std::string>{TITLE_CONNECTING, TITLE_SERVING, TITLE_JOINED}));

    pause(SETTLE_MS);
    const size_t from = output.recordedSamples();
    const TestClock::time_point spokenFrom = TestClock::now();
    ASSERT_TRUE(feedSink(microphone.name(), path("speech.raw")));
    pause(PLAYBACK_TAIL_MS);
    const TestClock::time_point spokenTo = TestClock::now();
    const size_t to = output.recordedSamples();

    const SpeechMatch heard = matchSpeech(throughVoiceCodec(spoken), output.recording(from, to), 2 * SAMPLE_RATE);
    EXPECT_GE(heard.correlation, speechFound());
    EXPECT_NEAR(heard.gain, 1.0, 0.5);
    std::cout << "own speech came back: correlation " << heard.correlation << ", gain " << heard.gain << ", "
              << heard.delaySamples * 1000 / SAMPLE_RATE << " ms after the feed began\n";

    const MeterSummary own = summarise(host.meterPositions(OWN_METER, spokenFrom, spokenTo));
    const MeterSummary slot = summarise(host.meterPositions(SLOT_METER_BASE, spokenFrom, spokenTo));
    EXPECT_GE(own.nonZero, 10u);
    EXPECT_GE(own.highest, 60);
    EXPECT_GE(slot.nonZero, 10u);
    EXPECT_GE(slot.highest, 60);

    const int status = host.process.stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}
