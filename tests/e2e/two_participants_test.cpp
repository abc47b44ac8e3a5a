// kovaro-relay with two participant-hosts, each with a microphone and an output of its own:
// each hears the other (and itself); a slot mute, the receive mute and the send mute each
// silence exactly what they should, in the recordings and on the meters.

#include <signal.h>
#include <sys/wait.h>

#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
constexpr int PLAYBACK_TAIL_MS = 700;
// Time for a command on standard input to reach the worker, and for earlier audio to drain.
constexpr int SETTLE_MS = 300;
// Quieter than this (RMS) counts as nothing played; speech through the codec is far louder.
constexpr double SILENT_RMS = 30.0;
// A departure announced by MSG_LEAVE arrives at once; one found by the relay's expiry
// comes at least two sweeps (2 s) after the last datagram.
constexpr int LEAVE_NOTICE_MS = 1500;

struct Person {
    std::string nickname;
    NullSink microphone;
    NullSink output;
    ParticipantHost host;
    int slot = -1;
};

// What both outputs recorded and both windows showed while one person spoke.
struct Stretch {
    Samples heardAtA;
    Samples heardAtB;
    TestClock::time_point from;
    TestClock::time_point to;
};

class TwoParticipantsTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        ASSERT_FALSE(HasFailure());
        voiceA = speech("Seven green apples fell down", "en+m3", "a");
        voiceB = speech("Blue boats drift past", "en+f3", "b");
        ASSERT_FALSE(HasFailure());
        a.nickname = "花子";
        b.nickname = "bob";
        for (Person* person : {&a, &b}) {
            const std::string role = person == &a ? "a" : "b";
            loadSink(person->microphone, role + "_mic");
            loadSink(person->output, role + "_out");
        }
        ASSERT_FALSE(HasFailure());
        ASSERT_TRUE(relay.start(freeUdpPort(), path("relay.stderr")));
        join(a);
        join(b);
        ASSERT_FALSE(HasFailure());
        a.slot = b.host.waitForSlotOf(a.nickname, JOIN_TIMEOUT_MS);
        b.slot = a.host.waitForSlotOf(b.nickname, JOIN_TIMEOUT_MS);
        ASSERT_GE(a.slot, 0) << b.host.transcript();
        ASSERT_GE(b.slot, 0) << a.host.transcript();
        ASSERT_NE(a.slot, b.slot);
        // Each sees itself under the same slot as the other sees it.
        EXPECT_EQ(a.host.slotShowing(a.nickname), a.slot);
        EXPECT_EQ(b.host.slotShowing(b.nickname), b.slot);
    }

    void join(Person& person)
    {
        const std::string role = &person == &a ? "a" : "b";
        ASSERT_TRUE(person.host.start(person.nickname, relay.port(), {},
                                      audioEnvironment(person.microphone, person.output), path(role + ".stderr")));
        ASSERT_GE(person.host.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS), 0) << person.host.transcript();
    }

    Stretch speak(Person& speaker, const std::string& rawName)
    {
        pause(SETTLE_MS);
        Stretch stretch;
        const size_t fromA = a.output.recordedSamples();
        const size_t fromB = b.output.recordedSamples();
        stretch.from = TestClock::now();
        EXPECT_TRUE(feedSink(speaker.microphone.name(), path(rawName + ".raw")));
        pause(PLAYBACK_TAIL_MS);
        stretch.to = TestClock::now();
        stretch.heardAtA = a.output.recording(fromA, a.output.recordedSamples());
        stretch.heardAtB = b.output.recording(fromB, b.output.recordedSamples());
        return stretch;
    }

    static double heard(const Samples& voice, const Samples& recording)
    {
        return matchSpeech(throughVoiceCodec(voice), recording, 2 * SAMPLE_RATE).correlation;
    }

    static MeterSummary meter(const Person& listener, int controlId, const Stretch& stretch)
    {
        return summarise(listener.host.meterPositions(controlId, stretch.from, stretch.to));
    }

    static int slotMeter(const Person& person) { return SLOT_METER_BASE + person.slot; }

    // A meter that follows speech: many updates, most of them above 0, loud ones among them.
    static void expectMoving(const MeterSummary& summary, const char* what)
    {
        EXPECT_GE(summary.updates, 15u) << what;
        EXPECT_GE(summary.nonZero, 10u) << what;
        EXPECT_GE(summary.highest, 60) << what;
    }

    // Frames keep coming, and every one of them is silent.
    static void expectZero(const MeterSummary& summary, const char* what)
    {
        EXPECT_GE(summary.updates, 15u) << what;
        EXPECT_EQ(summary.nonZero, 0u) << what << " (highest " << summary.highest << ")";
    }

    Samples voiceA;
    Samples voiceB;
    Person a;
    Person b;
    RelayHost relay;
};

}

TEST_F(TwoParticipantsTest, EachHearsTheOtherAndTheMutesSilenceExactlyTheirPart)
{
    {
        SCOPED_TRACE("A speaks: both hear A");
        const Stretch stretch = speak(a, "a");
        EXPECT_GE(heard(voiceA, stretch.heardAtB), speechFound());
        EXPECT_GE(heard(voiceA, stretch.heardAtA), speechFound());
        expectMoving(meter(b, slotMeter(a), stretch), "B's meter of A");
        expectMoving(meter(a, OWN_METER, stretch), "A's own meter");
        EXPECT_EQ(meter(b, slotMeter(b), stretch).nonZero, 0u) << "B's meter of B, who is silent";
    }
    {
        SCOPED_TRACE("B speaks: both hear B");
        const Stretch stretch = speak(b, "b");
        EXPECT_GE(heard(voiceB, stretch.heardAtA), speechFound());
        EXPECT_GE(heard(voiceB, stretch.heardAtB), speechFound());
        EXPECT_LT(heard(voiceA, stretch.heardAtA), SPEECH_ABSENT);
        expectMoving(meter(a, slotMeter(b), stretch), "A's meter of B");
    }
    {
        SCOPED_TRACE("B mutes A's slot: B no longer plays A, but B's meter of A moves");
        ASSERT_TRUE(b.host.command("mute slot " + std::to_string(a.slot) + " 1"));
        const Stretch stretch = speak(a, "a");
        EXPECT_LT(rootMeanSquare(stretch.heardAtB), SILENT_RMS);
        EXPECT_GE(heard(voiceA, stretch.heardAtA), speechFound()) << "A was heard at A, so A did speak";
        expectMoving(meter(b, slotMeter(a), stretch), "B's meter of the muted slot");
    }
    {
        SCOPED_TRACE("with A's slot muted at B, B's own slot still plays at B");
        const Stretch stretch = speak(b, "b");
        EXPECT_GE(heard(voiceB, stretch.heardAtB), speechFound());
        ASSERT_TRUE(b.host.command("mute slot " + std::to_string(a.slot) + " 0"));
    }
    {
        SCOPED_TRACE("B mutes everything received: nothing plays at B, the meters move");
        ASSERT_TRUE(b.host.command("mute receive 1"));
        const Stretch stretch = speak(a, "a");
        EXPECT_LT(rootMeanSquare(stretch.heardAtB), SILENT_RMS);
        EXPECT_GE(heard(voiceA, stretch.heardAtA), speechFound());
        expectMoving(meter(b, slotMeter(a), stretch), "B's meter of A under the receive mute");
    }
    {
        SCOPED_TRACE("B's own voice is not played at B under the receive mute either");
        const Stretch stretch = speak(b, "b");
        EXPECT_LT(rootMeanSquare(stretch.heardAtB), SILENT_RMS);
        EXPECT_GE(heard(voiceB, stretch.heardAtA), speechFound());
        expectMoving(meter(b, slotMeter(b), stretch), "B's meter of B under the receive mute");
        ASSERT_TRUE(b.host.command("mute receive 0"));
    }
    {
        SCOPED_TRACE("A mutes its own voice: silence goes out, every meter of A shows 0");
        ASSERT_TRUE(a.host.command("mute send 1"));
        const size_t micFrom = a.microphone.recordedSamples();
        const Stretch stretch = speak(a, "a");
        EXPECT_GE(heard(voiceA, a.microphone.recording(micFrom, a.microphone.recordedSamples())), speechFound())
            << "the speech did reach A's microphone";
        EXPECT_LT(rootMeanSquare(stretch.heardAtB), SILENT_RMS);
        EXPECT_LT(rootMeanSquare(stretch.heardAtA), SILENT_RMS);
        expectZero(meter(b, slotMeter(a), stretch), "B's meter of the sender-muted A");
        expectZero(meter(a, OWN_METER, stretch), "A's own meter under the send mute");
        expectZero(meter(a, slotMeter(a), stretch), "A's meter of its own slot under the send mute");
    }
    {
        SCOPED_TRACE("A unmutes: B hears A again");
        ASSERT_TRUE(a.host.command("mute send 0"));
        const Stretch stretch = speak(a, "a");
        EXPECT_GE(heard(voiceA, stretch.heardAtB), speechFound());
        expectMoving(meter(b, slotMeter(a), stretch), "B's meter of A after the unmute");
        expectMoving(meter(a, OWN_METER, stretch), "A's own meter after the unmute");
    }
    {
        SCOPED_TRACE("A ends regularly: its MSG_LEAVE frees its slot at once");
        const size_t fromLine = b.host.process.lineCount();
        const int status = a.host.process.stop(SIGTERM);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        const TestClock::time_point ended = TestClock::now();
        const std::string clearedLabel = "text " + std::to_string(NAME_LABEL_BASE + a.slot) + " ";
        const int cleared = b.host.waitFor(clearedLabel, 5000, fromLine);
        ASSERT_GE(cleared, 0) << b.host.transcript();
        EXPECT_LT(b.host.process.lines()[static_cast<size_t>(cleared)].arrival - ended,
                  std::chrono::milliseconds(LEAVE_NOTICE_MS));
    }
}
