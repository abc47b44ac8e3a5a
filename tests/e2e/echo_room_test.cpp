// A room with loudspeakers: what the participant plays comes back into its microphone 60 ms
// later at half amplitude (module-loopback from its output's monitor into its microphone). A
// far end (voice-swarm) talks through the relay and keeps what the participant sends; with
// the voice processing on, the echo in it is at least 20 dB lower than with it off.

#include <cmath>
#include <fstream>

#include "codec/adpcm_codec.h"
#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
constexpr int FAR_END_SECONDS = 9;
// The canceller's first seconds of learning are left out.
constexpr size_t SETTLED_SAMPLES = 3 * SAMPLE_RATE;

double levelDb(const Samples& samples, size_t from)
{
    double sum = 1e-9;
    for (size_t index = from; index < samples.size(); ++index)
        sum += static_cast<double>(samples[index]) * samples[index];
    return 10 * std::log10(sum / static_cast<double>(samples.size() - from) / (32768.0 * 32768.0));
}

class EchoRoomTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        ASSERT_FALSE(HasFailure());
        far = speech("The relay server forwards every voice frame to the other participants in the conference.",
                     "en-us", "far");
        loadSink(microphone, "room_mic");
        loadSink(output, "room_out");
        ASSERT_FALSE(HasFailure());
        std::vector<std::string> lines;
        ASSERT_EQ(runToEnd({"pactl", "load-module", "module-loopback", "source=" + output.monitor(),
                            "sink=" + microphone.name(), "latency_msec=60", "adjust_time=0", "source_dont_move=true",
                            "sink_dont_move=true"},
                           &lines),
                  0);
        ASSERT_FALSE(lines.empty());
        loopbackModule = lines.front();
        ASSERT_TRUE(halveLoopbackVolume());
        ASSERT_TRUE(relay.start(freeUdpPort(), path("relay.stderr")));
    }

    void TearDown() override
    {
        if (!loopbackModule.empty())
            runToEnd({"pactl", "unload-module", loopbackModule});
        EndToEndTest::TearDown();
    }

    // The loopback's stream appears a moment after the module; its volume goes to one half.
    bool halveLoopbackVolume()
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            std::vector<std::string> lines;
            runToEnd({"pactl", "list", "sink-inputs"}, &lines);
            std::string input;
            for (const std::string& line : lines) {
                if (line.rfind("Sink Input #", 0) == 0)
                    input = line.substr(12);
                else if (line.find("Owner Module: " + loopbackModule) != std::string::npos)
                    return runToEnd({"pactl", "set-sink-input-volume", input, "0.5"}) == 0;
            }
            pause(100);
        }
        return false;
    }

    // What the participant sends, decoded, while the far end talks.
    Samples sentWhileFarEndTalks(const std::string& label, const std::vector<std::string>& options)
    {
        ParticipantHost participant;
        EXPECT_TRUE(participant.start(label, relay.port(), options, audioEnvironment(microphone, output),
                                      path(label + ".stderr")));
        EXPECT_GE(participant.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS), 0) << participant.transcript();
        ChildProgram farEnd;
        const std::string frames = path(label + ".frames");
        EXPECT_TRUE(farEnd.start({std::string(KOVARO_BIN_DIR) + "/voice-swarm", "127.0.0.1",
                                  std::to_string(relay.port()), "1", std::to_string(FAR_END_SECONDS), "--speech",
                                  path("far.raw"), "--record", frames},
                                 ChildOptions{{}, false, path(label + ".swarm"), ""}));
        EXPECT_EQ(farEnd.waitExit((FAR_END_SECONDS + 10) * 1000), 0);
        participant.process.stop(SIGTERM);

        std::ifstream file(frames, std::ios::binary);
        Samples decoded;
        VoiceFrame frame;
        while (file.read(reinterpret_cast<char*>(&frame), sizeof frame)) {
            decoded.resize(decoded.size() + SAMPLES_PER_FRAME);
            decodeVoiceFrame(&decoded[decoded.size() - SAMPLES_PER_FRAME], SAMPLES_PER_FRAME, frame);
        }
        return decoded;
    }

    Samples far;
    NullSink microphone;
    NullSink output;
    std::string loopbackModule;
    RelayHost relay;
};

}  // namespace

TEST_F(EchoRoomTest, ProcessingSendsTheEchoAtLeast20dBLower)
{
    const Samples processed =
        sentWhileFarEndTalks("on", {"--echo-cancel", "1", "--noise-suppression", "1", "--auto-gain", "1"});
    const Samples unprocessed = sentWhileFarEndTalks("off", {});
    ASSERT_GT(processed.size(), SETTLED_SAMPLES + 2 * SAMPLE_RATE);
    ASSERT_GT(unprocessed.size(), SETTLED_SAMPLES + 2 * SAMPLE_RATE);
    const double echoOn = levelDb(processed, SETTLED_SAMPLES);
    const double echoOff = levelDb(unprocessed, SETTLED_SAMPLES);
    // Without processing the far end hears its own speech come back loud and clear.
    EXPECT_GT(echoOff, -35.0);
    EXPECT_LT(echoOn, echoOff - 20.0) << "echo sent: " << echoOn << " dBFS on, " << echoOff << " dBFS off";
}
