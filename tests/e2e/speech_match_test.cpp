// The speech check the scenarios rely on must find speech that went through the voice codec
// after a delay, also with a dropped block, and must reject silence, noise, other speech and
// a broken codec. No sound server is involved.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "codec/adpcm_codec.h"
#include "tests/e2e/speech_signal.h"

namespace {

class SpeechMatchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/kovaro-speech-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const std::string folder = pattern;
        spoken = synthesiseSpeech("Seven green apples fell on the kitchen floor", "en+m3", folder + "/a.raw");
        other = synthesiseSpeech("Blue boats drift past the harbour lights", "en+f3", folder + "/b.raw");
        std::filesystem::remove_all(folder);
    }

    void SetUp() override
    {
        ASSERT_GT(spoken.size(), static_cast<size_t>(SAMPLE_RATE)) << "espeak-ng and sox are needed";
        ASSERT_GT(other.size(), static_cast<size_t>(SAMPLE_RATE));
        heard = throughVoiceCodec(spoken);
    }

    SpeechMatch find(const Samples& recording) const { return matchSpeech(heard, recording, 2 * SAMPLE_RATE); }

    // The signal as a recording would hold it: some silence first, some after.
    static Samples delayed(const Samples& signal, size_t silence)
    {
        Samples recording(silence, 0);
        recording.insert(recording.end(), signal.begin(), signal.end());
        recording.insert(recording.end(), SAMPLE_RATE / 2, 0);
        return recording;
    }

    static Samples spoken;
    static Samples other;
    Samples heard;
};

Samples SpeechMatchTest::spoken;
Samples SpeechMatchTest::other;

// The codes of every frame with the two samples of each byte swapped, as a decoder that reads
// the nibbles in the wrong order would play them.
Samples throughSwappedNibbles(const Samples& input)
{
    Samples blocks = input;
    blocks.resize((input.size() / SAMPLES_PER_FRAME + 1) * SAMPLES_PER_FRAME, 0);
    Samples decoded(blocks.size());
    AdpcmCoder coder;
    for (size_t from = 0; from < blocks.size(); from += SAMPLES_PER_FRAME) {
        VoiceFrame frame{};
        coder.encode(frame, &blocks[from], SAMPLES_PER_FRAME, 0);
        for (uint8_t& code : frame.codes)
            code = static_cast<uint8_t>(code << 4 | code >> 4);
        decodeVoiceFrame(&decoded[from], SAMPLES_PER_FRAME, frame);
    }
    return decoded;
}

}

TEST_F(SpeechMatchTest, FindsTheSpeechAfterADelayAtItsLevel)
{
    const SpeechMatch match = find(delayed(heard, 2960));
    EXPECT_GT(match.correlation, 0.99);
    EXPECT_EQ(match.delaySamples, 2960);
    EXPECT_NEAR(match.gain, 1.0, 0.01);
    // The codec changes the waveform little: the microphone's own signal matches too.
    EXPECT_GT(find(delayed(spoken, 900)).correlation, SPEECH_FOUND);

    Samples quieter = heard;
    for (int16_t& sample : quieter)
        sample = static_cast<int16_t>(sample / 2);
    const SpeechMatch quiet = find(delayed(quieter, 100));
    EXPECT_GT(quiet.correlation, 0.99);
    EXPECT_NEAR(quiet.gain, 0.5, 0.01);
}

TEST_F(SpeechMatchTest, ToleratesOneBlockLostInTheMiddle)
{
    Samples gapped = heard;
    const auto middle = static_cast<std::ptrdiff_t>(gapped.size() / 2);
    gapped.insert(gapped.begin() + middle, SAMPLES_PER_FRAME, 0);
    const SpeechMatch match = find(delayed(gapped, 1200));
    EXPECT_GT(match.correlation, SPEECH_FOUND);
    EXPECT_NEAR(match.gain, 1.0, 0.1);
}

TEST_F(SpeechMatchTest, RejectsSilenceNoiseOtherSpeechAndABrokenCodec)
{
    EXPECT_LT(find(Samples(heard.size() + SAMPLE_RATE, 0)).correlation, SPEECH_ABSENT);

    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, rootMeanSquare(heard));
    Samples noise(heard.size() + SAMPLE_RATE);
    for (int16_t& sample : noise)
        sample = static_cast<int16_t>(std::clamp(gauss(random), -32768.0, 32767.0));
    EXPECT_LT(find(noise).correlation, SPEECH_ABSENT);

    EXPECT_LT(find(delayed(throughVoiceCodec(other), 800)).correlation, SPEECH_ABSENT);
    EXPECT_LT(find(delayed(throughSwappedNibbles(spoken), 800)).correlation, SPEECH_ABSENT);
}
