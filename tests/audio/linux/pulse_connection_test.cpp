#include <gtest/gtest.h>

#include <pulse/def.h>
#include <stdlib.h>

#include <string>

#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/pcm_format.h"
#include "audio/playback_channel.h"

namespace {

// Points the sound-server address at a socket that does not exist for one test.
class NoSoundServer : public testing::Test {
protected:
    void SetUp() override
    {
        const char* previous = getenv("PULSE_SERVER");
        hadServer_ = previous != nullptr;
        if (hadServer_)
            previous_ = previous;
        setenv("PULSE_SERVER", "unix:/nonexistent/kovaro/pulse/native", 1);
    }
    void TearDown() override
    {
        if (hadServer_)
            setenv("PULSE_SERVER", previous_.c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }

private:
    bool hadServer_ = false;
    std::string previous_;
};

TEST_F(NoSoundServer, ConnectFailsWithTheServersOwnDescription)
{
    AudioSystem audio;
    const int result = audio.connect("Kovaro");
    EXPECT_LT(result, 0);
    EXPECT_FALSE(audio.isConnected());
    EXPECT_STREQ(AudioSystem::errorText(result), "Connection refused");
}

TEST_F(NoSoundServer, DevicesOfAFailedConnectionReportAnErrorAndStayClosed)
{
    AudioSystem audio;
    ASSERT_LT(audio.connect("Kovaro"), 0);
    PcmFormat format{};
    makePcmFormat(format, 1, 8000, 16);

    CaptureDevice capture;
    const int captureResult = capture.open(audio, nullptr, format);
    EXPECT_LT(captureResult, 0);
    EXPECT_STRNE(AudioSystem::errorText(captureResult), "");
    EXPECT_FALSE(capture.isOpen());
    EXPECT_EQ(capture.start(), 0);
    EXPECT_TRUE(capture.isStopped());

    PlaybackChannel channel;
    EXPECT_LT(channel.open(audio, nullptr, format, 0), 0);
    const uint8_t block[1000] = {};
    EXPECT_EQ(channel.write(block, sizeof block), 0);
    EXPECT_EQ(channel.writeCount(), 0u);
}

// A result of the layer's own never reads as one of the server's errors, and a code the
// server has no text for still gets one.
TEST(AudioSystem, ErrorTextKeepsTheLayersOwnResultsApartFromTheServersCodes)
{
    const char* ownText = AudioSystem::errorText(AUDIO_ALREADY_RUNNING);
    ASSERT_NE(ownText, nullptr);
    for (int code = 1; code < PA_ERR_MAX; ++code)
        EXPECT_STRNE(ownText, AudioSystem::errorText(-code)) << "server code " << code;
    EXPECT_NE(AudioSystem::errorText(-PA_ERR_MAX), nullptr);
}

}  // namespace
