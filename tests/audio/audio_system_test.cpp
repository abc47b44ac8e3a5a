#include <gtest/gtest.h>

#include "audio/audio_system.h"
#include "audio/pcm_format.h"

TEST(PcmFormat, VoiceFormatIsSixteenKilobytesPerSecondInTwoByteFrames)
{
    PcmFormat format{};
    const PcmFormat& result = makePcmFormat(format, 1, 8000, 16);
    EXPECT_EQ(&result, &format);
    EXPECT_EQ(format.formatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.samplesPerSecond, 8000u);
    EXPECT_EQ(format.averageBytesPerSecond, 16000u);
    EXPECT_EQ(format.blockAlign, 2);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.extraSize, 0);

    makePcmFormat(format, 2, 11025, 8);
    EXPECT_EQ(format.averageBytesPerSecond, 22050u);
    EXPECT_EQ(format.blockAlign, 2);
}

TEST(AudioSystem, ConnectsToTheTestServerAndReconnects)
{
    AudioSystem audio;
    ASSERT_EQ(audio.connect("Kovaro"), 0) << "no sound server: run under ctest (fixture pulse) or tools/pulse-up.sh";
    EXPECT_TRUE(audio.isConnected());
    EXPECT_EQ(audio.connect("Kovaro"), 0);
    EXPECT_TRUE(audio.isConnected());
    audio.disconnect();
    EXPECT_FALSE(audio.isConnected());
}
