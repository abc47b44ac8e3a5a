// A participant hears itself through jitter-proxy, which delays each relayed voice frame by up
// to 40 ms: the speech still matches what was said, and the playout never leaves a hole longer
// than a block (a quiet murmur under the speech shows every hole in the recording).

#include <algorithm>
#include <cmath>

#include "codec/voice_frame.h"

#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
constexpr int PLAYBACK_TAIL_MS = 700;
constexpr int MURMUR_AMPLITUDE = 500;
// The murmur is missing where the recording stays below this.
constexpr int HOLE_LEVEL = 100;

Samples withMurmur(const Samples& speech)
{
    Samples mixed(SAMPLE_RATE * 2, 0);
    append(mixed, speech);
    append(mixed, silence(SAMPLE_RATE / 2));
    for (size_t i = 0; i < mixed.size(); ++i) {
        const double murmur = MURMUR_AMPLITUDE * std::sin(2 * M_PI * 250.0 * static_cast<double>(i) / SAMPLE_RATE);
        mixed[i] = static_cast<int16_t>(std::clamp(mixed[i] + murmur, -32768.0, 32767.0));
    }
    return mixed;
}

// The longest run of quiet samples between the first loud one and the last.
size_t longestHole(const Samples& recording)
{
    auto loud = [](int16_t sample) { return std::abs(static_cast<int>(sample)) >= HOLE_LEVEL; };
    size_t longest = 0;
    size_t run = 0;
    bool started = false;
    for (const int16_t sample : recording) {
        if (loud(sample)) {
            longest = started ? std::max(longest, run) : 0;
            started = true;
            run = 0;
        } else {
            ++run;
        }
    }
    return longest;
}

class JitteredPlayoutTest : public EndToEndTest {};

TEST_F(JitteredPlayoutTest, SpeechThroughJitterComesThroughWithoutAHoleLongerThanABlock)
{
    const Samples spoken = speech("Seven green apples fell on the kitchen floor", "en+m3", "spoken");
    ASSERT_FALSE(HasFailure());
    const Samples fed = withMurmur(spoken);
    ASSERT_TRUE(writeSamples(path("fed.raw"), fed));
    NullSink microphone;
    NullSink output;
    loadSink(microphone, "mic");
    loadSink(output, "out");
    ASSERT_FALSE(HasFailure());

    RelayHost relay;
    ASSERT_TRUE(relay.start(freeUdpPort(), path("relay.stderr")));
    const uint16_t proxyPort = freeUdpPort();
    ChildProgram proxy;
    ChildOptions proxyOptions;
    proxyOptions.stderrPath = path("proxy.stderr");
    ASSERT_TRUE(proxy.start({std::string(KOVARO_BIN_DIR) + "/jitter-proxy", std::to_string(proxyPort),
                             std::to_string(relay.port()), "--jitter", "40", "--seed", "3", "--duration", "60"},
                            proxyOptions));
    ParticipantHost host;
    ASSERT_TRUE(host.start("jitter", proxyPort, {}, audioEnvironment(microphone, output), path("host.stderr")));
    ASSERT_GE(host.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS), 0) << host.transcript();

    const size_t from = output.recordedSamples();
    EXPECT_TRUE(feedSink(microphone.name(), path("fed.raw")));
    pause(PLAYBACK_TAIL_MS);
    const Samples heard = output.recording(from, output.recordedSamples());

    EXPECT_GT(matchSpeech(throughVoiceCodec(fed), heard, 2 * SAMPLE_RATE).correlation, speechFound());
    EXPECT_LE(longestHole(heard), static_cast<size_t>(SAMPLES_PER_FRAME));
}

}  // namespace
