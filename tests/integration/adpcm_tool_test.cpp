// adpcm-tool end to end: real speech through the built binary must give exactly what the
// coder gives in-process, and broken inputs must be refused with a message and a failure code.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "codec/adpcm_codec.h"
#include "tests/support/child_program.h"
#include "tests/support/pcm_signal.h"

static const std::string TOOL = KOVARO_BIN_DIR "/adpcm-tool";

static std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

static void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class AdpcmToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/adpcm-tool-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }

    void TearDown() override
    {
        if (!dir.empty())
            std::filesystem::remove_all(dir);
    }

    std::string path(const char* name) const { return dir + "/" + name; }

    std::string stderrText() const
    {
        const std::vector<uint8_t> bytes = readBytes(path("stderr.txt"));
        return {bytes.begin(), bytes.end()};
    }

    // The tool's exit code, its standard error in stderr.txt; arguments are separated by spaces.
    int tool(const std::string& arguments) const
    {
        std::vector<std::string> command{TOOL};
        std::istringstream words(arguments);
        for (std::string word; words >> word;)
            command.push_back(word);
        return runToEnd(command, nullptr, path("stderr.txt"));
    }

    std::string dir;
};

TEST_F(AdpcmToolTest, SpeechRoundTripEqualsTheInProcessCoder)
{
    ASSERT_EQ(speakToWav("Sixteen people can talk through one relay server at the same time.", "", path("speech.wav")),
              0)
        << "espeak-ng is required (tools/setup.sh installs it)";
    ASSERT_EQ(convertToRaw(path("speech.wav"), path("speech.raw")), 0)
        << "sox is required (tools/setup.sh installs it)";
    const std::vector<int16_t> input = readSamples(path("speech.raw"));
    ASSERT_GT(input.size(), 8000u);

    ASSERT_EQ(tool("encode " + path("speech.raw") + " " + path("speech.frames")), 0) << stderrText();
    const std::vector<uint8_t> frames = readBytes(path("speech.frames"));
    const size_t frameCount = (input.size() + SAMPLES_PER_FRAME - 1) / SAMPLES_PER_FRAME;
    ASSERT_EQ(frames.size(), frameCount * VOICE_FRAME_SIZE);

    std::vector<int16_t> padded = input;
    padded.resize(frameCount * SAMPLES_PER_FRAME, 0);
    AdpcmCoder blockCoder;
    for (size_t f = 0; f < frameCount; ++f) {
        VoiceFrame expected{};
        blockCoder.encode(expected, &padded[f * SAMPLES_PER_FRAME], SAMPLES_PER_FRAME, 0);
        ASSERT_EQ(std::memcmp(&expected, &frames[f * VOICE_FRAME_SIZE], VOICE_FRAME_SIZE), 0) << "frame " << f;
    }

    ASSERT_EQ(tool("decode " + path("speech.frames") + " " + path("speech.decoded")), 0) << stderrText();
    const std::vector<int16_t> decoded = readSamples(path("speech.decoded"));
    ASSERT_EQ(decoded.size(), padded.size());

    // The coder's state after each single sample is the reconstruction the decoder must give.
    AdpcmCoder sampleCoder;
    VoiceFrame scratch{};
    for (size_t i = 0; i < padded.size(); ++i) {
        sampleCoder.encode(scratch, &padded[i], 1, 0);
        ASSERT_EQ(decoded[i], sampleCoder.predictor) << "sample " << i;
    }

    double signal = 0;
    double noise = 0;
    for (size_t i = 0; i < input.size(); ++i) {
        signal += static_cast<double>(input[i]) * input[i];
        noise += static_cast<double>(input[i] - decoded[i]) * (input[i] - decoded[i]);
    }
    const double snrDb = 10 * std::log10(signal / noise);
    RecordProperty("snr_db", std::to_string(snrDb));
    EXPECT_GT(snrDb, 15.0);
}

TEST_F(AdpcmToolTest, ConstantThousandThroughTheTool)
{
    writeSamples(path("constant.raw"), std::vector<int16_t>(SAMPLES_PER_FRAME + 1, 1000));
    ASSERT_EQ(tool("encode " + path("constant.raw") + " " + path("constant.frames")), 0) << stderrText();
    const std::vector<uint8_t> frames = readBytes(path("constant.frames"));
    ASSERT_EQ(frames.size(), 2u * VOICE_FRAME_SIZE);  // the 501st sample opens a padded second frame
    const std::vector<uint8_t> start(frames.begin(), frames.begin() + 8);
    EXPECT_EQ(start, (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x25, 0x77, 0x77, 0x57, 0x80}));

    AdpcmCoder coder;
    VoiceFrame first{};
    const std::vector<int16_t> block(SAMPLES_PER_FRAME, 1000);
    coder.encode(first, block.data(), SAMPLES_PER_FRAME, 0);
    VoiceFrame second{};
    std::memcpy(&second, &frames[VOICE_FRAME_SIZE], VOICE_FRAME_SIZE);
    EXPECT_EQ(second.predictor(), coder.predictor);
    EXPECT_EQ(second.stepIndex, coder.stepIndex);

    ASSERT_EQ(tool("decode " + path("constant.frames") + " " + path("constant.decoded")), 0) << stderrText();
    const std::vector<int16_t> decoded = readSamples(path("constant.decoded"));
    ASSERT_EQ(decoded.size(), 2u * SAMPLES_PER_FRAME);
    const std::vector<int16_t> head(decoded.begin(), decoded.begin() + 8);
    EXPECT_EQ(head, (std::vector<int16_t>{13, 43, 106, 242, 536, 999, 1060, 1004}));
}

TEST_F(AdpcmToolTest, BrokenFrameStreamsAreRefusedWithoutOutput)
{
    writeSamples(path("tone.raw"), std::vector<int16_t>(2 * SAMPLES_PER_FRAME, 3000));
    ASSERT_EQ(tool("encode " + path("tone.raw") + " " + path("tone.frames")), 0) << stderrText();
    std::vector<uint8_t> frames = readBytes(path("tone.frames"));
    ASSERT_EQ(frames.size(), 2u * VOICE_FRAME_SIZE);

    writeBytes(path("cut.frames"), std::vector<uint8_t>(frames.begin(), frames.end() - 1));
    EXPECT_EQ(tool("decode " + path("cut.frames") + " " + path("cut.decoded")), 1);
    EXPECT_NE(stderrText().find("frame 1 is cut short"), std::string::npos) << stderrText();
    EXPECT_FALSE(std::filesystem::exists(path("cut.decoded")));

    frames[VOICE_FRAME_SIZE + 2] = 89;  // step index of the second frame
    writeBytes(path("corrupt.frames"), frames);
    EXPECT_EQ(tool("decode " + path("corrupt.frames") + " " + path("corrupt.decoded")), 1);
    EXPECT_NE(stderrText().find("frame 1 has step index 89"), std::string::npos) << stderrText();
    EXPECT_FALSE(std::filesystem::exists(path("corrupt.decoded")));

    writeBytes(path("odd.raw"), {1, 2, 3});
    EXPECT_EQ(tool("encode " + path("odd.raw") + " " + path("odd.frames")), 1);
    EXPECT_NE(stderrText().find("middle of a 16-bit sample"), std::string::npos) << stderrText();
}

TEST_F(AdpcmToolTest, BadArgumentsAndUnusableFilesAreReported)
{
    EXPECT_EQ(tool(""), 2);
    EXPECT_NE(stderrText().find("usage: adpcm-tool"), std::string::npos);
    EXPECT_EQ(tool("transcode " + path("a") + " " + path("b")), 2);
    EXPECT_NE(stderrText().find("usage: adpcm-tool"), std::string::npos);
    EXPECT_EQ(tool("encode " + path("a")), 2);

    EXPECT_EQ(tool("encode " + path("missing.raw") + " " + path("out.frames")), 1);
    EXPECT_NE(stderrText().find("cannot read " + path("missing.raw")), std::string::npos) << stderrText();
    EXPECT_FALSE(std::filesystem::exists(path("out.frames")));

    writeSamples(path("in.raw"), std::vector<int16_t>(10, 5));
    EXPECT_EQ(tool("encode " + path("in.raw") + " " + path("no-such-dir/out.frames")), 1);
    EXPECT_NE(stderrText().find("cannot write " + path("no-such-dir/out.frames")), std::string::npos) << stderrText();
}
