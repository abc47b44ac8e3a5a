// The checked decoder for frames off the network: refuses what the tables cannot serve and
// otherwise decodes exactly like the trusting decoder. Random frames run under the sanitizers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "codec/adpcm_codec.h"

constexpr int16_t UNTOUCHED = 0x5A5A;

TEST(AdpcmReceivedFrame, RefusesStepIndicesAboveTheTableAndBadCounts)
{
    VoiceFrame frame{};
    std::vector<int16_t> samples(SAMPLES_PER_FRAME + 8, UNTOUCHED);
    for (const int index : {89, 100, 255}) {
        frame.stepIndex = static_cast<uint8_t>(index);
        EXPECT_EQ(decodeReceivedFrame(samples.data(), SAMPLES_PER_FRAME, frame), CODEC_FRAME_REFUSED) << index;
    }
    frame.stepIndex = 88;
    EXPECT_EQ(decodeReceivedFrame(samples.data(), SAMPLES_PER_FRAME + 1, frame), CODEC_FRAME_REFUSED);
    EXPECT_EQ(decodeReceivedFrame(samples.data(), -1, frame), CODEC_FRAME_REFUSED);
    for (const int16_t sample : samples)
        ASSERT_EQ(sample, UNTOUCHED);

    EXPECT_EQ(decodeReceivedFrame(samples.data(), 0, frame), 0);
    EXPECT_EQ(samples[0], UNTOUCHED);
    EXPECT_EQ(decodeReceivedFrame(samples.data(), SAMPLES_PER_FRAME, frame), 0);
    EXPECT_EQ(samples[0], 4095);  // code 0 at step 32767: +(32767 >> 3)
    EXPECT_EQ(samples[SAMPLES_PER_FRAME], UNTOUCHED);
}

TEST(AdpcmReceivedFrame, RandomFramesAreDecodedExactlyOrRefused)
{
    const auto frame = std::make_unique<VoiceFrame>();  // exact-size heap block: overreads are caught
    auto* bytes = reinterpret_cast<uint8_t*>(frame.get());
    int refused = 0;
    int decoded = 0;
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> byteOf(0, 255);
        std::uniform_int_distribution<int> countOf(-3, SAMPLES_PER_FRAME + 3);
        for (int trial = 0; trial < 50000; ++trial) {
            for (int i = 0; i < VOICE_FRAME_SIZE; ++i)
                bytes[i] = static_cast<uint8_t>(byteOf(random));
            const int count = (trial & 1) ? SAMPLES_PER_FRAME : countOf(random);
            const bool legal = frame->stepIndex <= 88 && count >= 0 && count <= SAMPLES_PER_FRAME;
            std::vector<int16_t> checked(SAMPLES_PER_FRAME + 3, UNTOUCHED);
            const int result = decodeReceivedFrame(checked.data(), count, *frame);
            if (!legal) {
                ASSERT_EQ(result, CODEC_FRAME_REFUSED) << "seed " << seed << " trial " << trial;
                for (const int16_t sample : checked)
                    ASSERT_EQ(sample, UNTOUCHED);
                ++refused;
                continue;
            }
            ASSERT_EQ(result, 0) << "seed " << seed << " trial " << trial;
            std::vector<int16_t> trusted(static_cast<size_t>(count));
            decodeVoiceFrame(trusted.data(), count, *frame);
            ASSERT_TRUE(std::equal(trusted.begin(), trusted.end(), checked.begin()))
                << "seed " << seed << " trial " << trial;
            for (size_t i = trusted.size(); i < checked.size(); ++i)
                ASSERT_EQ(checked[i], UNTOUCHED);
            ++decoded;
        }
    }
    // Both outcomes must have been exercised in volume.
    EXPECT_GT(refused, 50000);
    EXPECT_GT(decoded, 50000);
}

// What lets a receiver tell the order of frames: each ends where the sender's next one starts.
TEST(AdpcmReceivedFrame, EachFrameEndsInTheStateTheNextOneStartsIn)
{
    std::mt19937 random(5);
    std::normal_distribution<double> speech(0.0, 6000.0);
    AdpcmCoder coder;
    VoiceFrame previous{};
    for (int block = 0; block < 40; ++block) {
        int16_t samples[SAMPLES_PER_FRAME];
        for (int16_t& sample : samples)
            sample = static_cast<int16_t>(std::clamp(speech(random) * (block % 4), -32768.0, 32767.0));
        VoiceFrame frame{};
        coder.encode(frame, samples, SAMPLES_PER_FRAME, block % 3 == 0 ? 6 : 0);
        if (block > 0) {
            int16_t decoded[SAMPLES_PER_FRAME];
            AdpcmState end;
            ASSERT_EQ(decodeReceivedFrame(decoded, SAMPLES_PER_FRAME, previous, &end), 0);
            EXPECT_EQ(end, startStateOf(frame)) << block;
        }
        previous = frame;
    }
}
