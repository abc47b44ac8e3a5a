// A listener with two speakers when sound goes away under it, on the sound server the test
// runs on: the server stopped and started again, and the listener's output device unloaded
// and loaded again. The programs reach the server through a link that the test removes while
// the server is away and makes again once the server and the test's devices are back, as a
// server returns with its devices. Two seconds after the return the listener hears both speakers again and
// its own voice reaches the others again; the conference went on meanwhile, and the listener
// was told at most once that sound was lost, and then that it is back.

#include <cstdlib>
#include <filesystem>

#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
// The devices are opened again once a second; sound must be back within two.
constexpr int RETURN_MS = 2000;
// How long the sound stays away: long enough for every program to notice.
constexpr int AWAY_MS = 1500;
constexpr int PLAYBACK_TAIL_MS = 700;
constexpr char NOTICE_LOST[] =
    "notice Kovaro|サウンドサーバーまたはオーディオデバイスが使えなくなりました。"
    "会議は続いています。使えるようになりしだい音声を再開します。";
constexpr char NOTICE_BACK[] = "notice Kovaro|音声が再開しました。";

struct Person {
    std::string role;
    std::string nickname;
    Samples voice;
    NullSink microphone;
    NullSink output;
    ParticipantHost host;
};

class SoundRecoveryTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        ASSERT_FALSE(HasFailure());
        listener.voice = speech("Seven green apples fell down", "en+m3", "listener");
        first.voice = speech("Blue boats drift past", "en+f3", "first");
        second.voice = speech("Quiet rivers run deep tonight", "en+m7", "second");
        ASSERT_FALSE(HasFailure());
        listener.nickname = "聞き手";
        first.nickname = "first";
        second.nickname = "second";
        for (Person* person : everyone()) {
            person->role = person == &listener ? "listener" : person == &first ? "first" : "second";
            loadSink(person->microphone, person->role + "_mic");
            loadSink(person->output, person->role + "_out");
        }
        ASSERT_FALSE(HasFailure());
        ASSERT_TRUE(relay.start(freeUdpPort(), path("relay.stderr")));
        linkServer();
        for (Person* person : everyone()) {
            std::vector<std::string> environment = audioEnvironment(person->microphone, person->output);
            environment.push_back("PULSE_SERVER=unix:" + path("server"));
            // The listener plays to the default output, which follows the device the test
            // makes the default; the others to their own outputs.
            if (person == &listener)
                environment.erase(environment.begin() + 1);
            ASSERT_TRUE(person->host.start(person->nickname, relay.port(), {}, environment,
                                           path(person->role + ".stderr")));
            ASSERT_GE(person->host.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS), 0) << person->host.transcript();
        }
        ASSERT_GE(listener.host.waitForSlotOf(second.nickname, JOIN_TIMEOUT_MS), 0) << listener.host.transcript();
        ASSERT_TRUE(makeDefaultOutput(listener.output.name()));
    }

    void TearDown() override
    {
        makeDefaultOutput("test_out");
        EndToEndTest::TearDown();
    }

    std::vector<Person*> everyone() { return {&listener, &first, &second}; }

    void linkServer()
    {
        const char* folder = std::getenv("KOVARO_PULSE_DIR");
        ASSERT_NE(folder, nullptr) << "run through ctest, whose fixture names the server";
        std::filesystem::create_symlink(std::string(folder) + "/run/pulse/native", path("server"));
    }

    static bool makeDefaultOutput(const std::string& sink)
    {
        return runToEnd({"pactl", "set-default-sink", sink}) == 0;
    }

    // Plays the speaker's voice into its microphone; what the listener's output recorded then.
    Samples speak(Person& speaker, Person& hearer)
    {
        const size_t from = hearer.output.recordedSamples();
        EXPECT_TRUE(feedSink(speaker.microphone.name(), path(speaker.role + ".raw")));
        pause(PLAYBACK_TAIL_MS);
        return hearer.output.recording(from, hearer.output.recordedSamples());
    }

    static double heard(const Samples& voice, const Samples& recording)
    {
        return matchSpeech(throughVoiceCodec(voice), recording, 2 * SAMPLE_RATE).correlation;
    }

    // From RETURN_MS after the return on: the listener hears both speakers, and they hear it.
    void expectSoundBack(TestClock::time_point returned)
    {
        std::this_thread::sleep_until(returned + std::chrono::milliseconds(RETURN_MS));
        EXPECT_GE(heard(first.voice, speak(first, listener)), speechFound()) << listener.host.transcript();
        EXPECT_GE(heard(second.voice, speak(second, listener)), speechFound());
        EXPECT_GE(heard(listener.voice, speak(listener, first)), speechFound()) << "the listener's own voice";
    }

    // Told at most once that sound was lost, and after that, once, that it is back.
    void expectToldOnce(size_t fromLine)
    {
        const int lost = listener.host.waitFor(NOTICE_LOST, 0, fromLine);
        if (lost < 0)
            return;
        EXPECT_LT(listener.host.waitFor(NOTICE_LOST, 0, static_cast<size_t>(lost) + 1), 0);
        const int back = listener.host.waitFor(NOTICE_BACK, 0, static_cast<size_t>(lost) + 1);
        EXPECT_GT(back, lost) << listener.host.transcript();
        EXPECT_LT(listener.host.waitFor(NOTICE_BACK, 0, static_cast<size_t>(back) + 1), 0);
    }

    Person listener;
    Person first;
    Person second;
    RelayHost relay;
};

}  // namespace

TEST_F(SoundRecoveryTest, ASoundServerThatRestartsIsHeardAgainWithinTwoSeconds)
{
    const char* server = std::getenv("KOVARO_SOUND_SERVER");
    const char* folder = std::getenv("KOVARO_PULSE_DIR");
    ASSERT_TRUE(server != nullptr && folder != nullptr) << "run through ctest, whose fixture names the server";
    const std::string tools = std::string(KOVARO_SOURCE_DIR) + "/tools/";
    const size_t fromLine = listener.host.process.lineCount();

    std::filesystem::remove(path("server"));
    ASSERT_EQ(runToEnd({tools + "pulse-down.sh", folder}), 0);
    pause(AWAY_MS);
    for (Person* person : everyone())
        EXPECT_TRUE(person->host.process.isRunning()) << person->role;
    EXPECT_GE(listener.host.waitFor(NOTICE_LOST, 0, fromLine), 0) << listener.host.transcript();

    ASSERT_EQ(runToEnd({tools + server + "-up.sh", folder}), 0);
    for (Person* person : everyone()) {
        ASSERT_TRUE(person->microphone.reload()) << person->microphone.failure();
        ASSERT_TRUE(person->output.reload()) << person->output.failure();
    }
    ASSERT_TRUE(makeDefaultOutput(listener.output.name()));
    linkServer();
    expectSoundBack(TestClock::now());
    expectToldOnce(fromLine);
    EXPECT_GE(listener.host.waitFor(NOTICE_BACK, 0, fromLine), 0) << listener.host.transcript();
}

TEST_F(SoundRecoveryTest, AnOutputDeviceThatComesBackIsHeardAgainWithinTwoSeconds)
{
    const size_t fromLine = listener.host.process.lineCount();
    listener.output.unload();
    pause(AWAY_MS);
    ASSERT_TRUE(listener.output.reload()) << listener.output.failure();
    ASSERT_TRUE(makeDefaultOutput(listener.output.name()));
    expectSoundBack(TestClock::now());
    expectToldOnce(fromLine);
}
