#include "tests/e2e/end_to_end_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

void EndToEndTest::SetUp()
{
    ASSERT_TRUE(soundServerConfigured())
        << "PULSE_SERVER is not set: run these tests through ctest, whose pulse fixture starts the sound server";
    char pattern[] = "/tmp/kovaro-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
}

void EndToEndTest::TearDown()
{
    if (folder_.empty())
        return;
    if (HasFailure())
        std::cout << "recordings and logs kept in " << folder_ << "\n";
    else
        std::filesystem::remove_all(folder_);
}

std::string EndToEndTest::sinkName(const std::string& role) const
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return "kovaro_e2e_" + std::to_string(getpid()) + "_" + test->name() + "_" + role;
}

void EndToEndTest::loadSink(NullSink& sink, const std::string& role)
{
    ASSERT_TRUE(sink.load(sinkName(role), path(role + ".raw"))) << sink.failure();
}

std::vector<std::string> EndToEndTest::audioEnvironment(const NullSink& microphone, const NullSink& output)
{
    return {"PULSE_SOURCE=" + microphone.monitor(), "PULSE_SINK=" + output.name()};
}

Samples EndToEndTest::speech(const std::string& text, const std::string& voice, const std::string& name)
{
    Samples samples = synthesiseSpeech(text, voice, path(name + ".raw"));
    EXPECT_GT(samples.size(), static_cast<size_t>(SAMPLE_RATE / 2))
        << "espeak-ng and sox are needed (tools/setup.sh installs them)";
    return samples;
}
