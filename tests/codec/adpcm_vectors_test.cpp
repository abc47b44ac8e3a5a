// Known answers of the ADPCM coder: fixed vectors, table rows, saturation, level scale, gain.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codec/adpcm_codec.h"

using Block = std::array<int16_t, SAMPLES_PER_FRAME>;

static Block constantBlock(int16_t value)
{
    Block block;
    block.fill(value);
    return block;
}

static VoiceFrame filledFrame(uint8_t pattern)
{
    VoiceFrame frame;
    std::memset(&frame, pattern, sizeof frame);
    return frame;
}

TEST(AdpcmTables, RowsAtBothEndsOfTheStepRange)
{
    const uint8_t row0[ADPCM_MAGNITUDES] = {0, 0, 0, 0, 2, 4, 6, 8};
    const uint8_t row40[ADPCM_MAGNITUDES] = {39, 39, 39, 39, 42, 44, 46, 48};
    const uint8_t row84[ADPCM_MAGNITUDES] = {83, 83, 83, 83, 86, 88, 88, 88};
    const uint8_t row88[ADPCM_MAGNITUDES] = {87, 87, 87, 87, 88, 88, 88, 88};
    for (int m = 0; m < ADPCM_MAGNITUDES; ++m) {
        EXPECT_EQ(nextIndexTable[0][m], row0[m]) << m;
        EXPECT_EQ(nextIndexTable[40][m], row40[m]) << m;
        EXPECT_EQ(nextIndexTable[84][m], row84[m]) << m;
        EXPECT_EQ(nextIndexTable[88][m], row88[m]) << m;
    }
    EXPECT_EQ(nextIndexTable[88][0], 87);

    EXPECT_EQ(adpcmStepTable[0], 7);
    EXPECT_EQ(adpcmStepTable[44], 494);
    EXPECT_EQ(adpcmStepTable[ADPCM_MAX_STEP_INDEX], 32767);
    for (int i = 1; i < ADPCM_STEP_COUNT; ++i)
        EXPECT_GT(adpcmStepTable[i], adpcmStepTable[i - 1]) << i;
}

TEST(AdpcmEncode, SilenceFromResetGivesAnAllZeroFrameAndKeepsTheCoderAtRest)
{
    const Block silence = constantBlock(0);
    AdpcmCoder coder;
    VoiceFrame frame = filledFrame(0xFF);
    coder.encode(frame, silence.data(), SAMPLES_PER_FRAME, 0);
    const std::array<uint8_t, VOICE_FRAME_SIZE> zeros{};
    EXPECT_EQ(std::memcmp(&frame, zeros.data(), VOICE_FRAME_SIZE), 0);
    EXPECT_EQ(coder.predictor, 0);
    EXPECT_EQ(coder.stepIndex, 0);
}

TEST(AdpcmEncode, ConstantThousandFromReset)
{
    const Block input = constantBlock(1000);
    AdpcmCoder coder;
    VoiceFrame frame{};
    coder.encode(frame, input.data(), SAMPLES_PER_FRAME, 0);

    const uint8_t expectedStart[8] = {0x00, 0x00, 0x00, 0x25, 0x77, 0x77, 0x57, 0x80};
    const auto* bytes = reinterpret_cast<const uint8_t*>(&frame);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bytes[i], expectedStart[i]) << "byte " << i;
    EXPECT_EQ(frame.level, 37);

    const int16_t expectedSamples[8] = {13, 43, 106, 242, 536, 999, 1060, 1004};
    Block decoded{};
    decodeVoiceFrame(decoded.data(), SAMPLES_PER_FRAME, frame);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(decoded[i], expectedSamples[i]) << "sample " << i;

    // Coding one sample at a time exposes the state after each sample.
    const int expectedIndices[8] = {8, 16, 24, 32, 40, 44, 43, 42};
    AdpcmCoder stepwise;
    VoiceFrame single{};
    for (int i = 0; i < 8; ++i) {
        stepwise.encode(single, &input[i], 1, 0);
        EXPECT_EQ(stepwise.predictor, expectedSamples[i]) << "sample " << i;
        EXPECT_EQ(stepwise.stepIndex, expectedIndices[i]) << "sample " << i;
    }
}

TEST(AdpcmEncode, HeaderHoldsTheStateBeforeTheBlock)
{
    const Block input = constantBlock(1000);
    AdpcmCoder coder;
    VoiceFrame first{};
    VoiceFrame second{};
    coder.encode(first, input.data(), SAMPLES_PER_FRAME, 0);
    const AdpcmCoder afterFirst = coder;
    ASSERT_NE(afterFirst.predictor, 0);
    coder.encode(second, input.data(), SAMPLES_PER_FRAME, 0);
    EXPECT_EQ(second.predictor(), afterFirst.predictor);
    EXPECT_EQ(second.stepIndex, afterFirst.stepIndex);

    // A negative predictor travels as two's complement, low byte first.
    AdpcmCoder negative;
    negative.predictor = -2;
    negative.stepIndex = 88;
    VoiceFrame frame{};
    negative.encode(frame, input.data(), 0, 0);
    EXPECT_EQ(frame.predictorBytes[0], 0xFE);
    EXPECT_EQ(frame.predictorBytes[1], 0xFF);
    EXPECT_EQ(frame.stepIndex, 88);
    EXPECT_EQ(frame.level, 0);
}

TEST(AdpcmEncode, StepIndexTransitionsAtTheEndsOfTheTable)
{
    AdpcmCoder coder;
    VoiceFrame frame{};
    coder.predictor = 0;
    coder.stepIndex = 88;
    const int16_t small = 10;  // 4*10/32767 = 0
    coder.encode(frame, &small, 1, 0);
    EXPECT_EQ(coder.stepIndex, 87);
    coder.stepIndex = 88;
    coder.predictor = 0;
    const int16_t large = 30000;  // 4*30000/32767 = 3
    coder.encode(frame, &large, 1, 0);
    EXPECT_EQ(coder.stepIndex, 87);
    coder.stepIndex = 88;
    coder.predictor = -2767;
    coder.encode(frame, &large, 1, 0);  // 4*32767/32767 = 4
    EXPECT_EQ(coder.stepIndex, 88);
    coder.reset();
    const int16_t three = 3;  // 4*3/7 = 1
    coder.encode(frame, &three, 1, 0);
    EXPECT_EQ(coder.stepIndex, 0);
    EXPECT_EQ(coder.predictor, 2);  // (7*3)>>3
}

TEST(AdpcmEncode, ReconstructionSaturatesAtBothRails)
{
    for (const int16_t rail : {int16_t{32767}, int16_t{-32768}}) {
        const Block input = constantBlock(rail);
        AdpcmCoder coder;
        VoiceFrame frame{};
        coder.encode(frame, input.data(), SAMPLES_PER_FRAME, 0);
        EXPECT_EQ(frame.level, 96);
        Block decoded{};
        decodeVoiceFrame(decoded.data(), SAMPLES_PER_FRAME, frame);
        // The approach overshoots into the rail and is cut there.
        const auto [lowest, highest] = std::minmax_element(decoded.begin(), decoded.end());
        EXPECT_EQ(rail > 0 ? *highest : *lowest, rail);
        EXPECT_LE(std::abs(coder.predictor - rail), 1);
    }

    // Full-scale swings at the largest step: the first move overshoots the rail and is cut
    // there, and each later one travels (32767 * 15) >> 3 = 61438 from it.
    for (const int16_t first : {int16_t{32767}, int16_t{-32768}}) {
        const int16_t second = first > 0 ? int16_t{-32768} : int16_t{32767};
        Block swings;
        for (int i = 0; i < SAMPLES_PER_FRAME; ++i)
            swings[i] = (i & 1) ? second : first;
        AdpcmCoder coder;
        coder.stepIndex = 88;
        VoiceFrame frame{};
        coder.encode(frame, swings.data(), SAMPLES_PER_FRAME, 0);
        Block decoded{};
        decodeVoiceFrame(decoded.data(), SAMPLES_PER_FRAME, frame);
        const int16_t rebound = first > 0 ? int16_t{32767 - 61438} : int16_t{-32768 + 61438};
        for (int i = 0; i < SAMPLES_PER_FRAME; ++i)
            ASSERT_EQ(decoded[i], (i & 1) ? rebound : first) << i;
        EXPECT_EQ(frame.level, 96);
    }
}

TEST(AdpcmLevel, HalfDecibelScaleReferencePoints)
{
    EXPECT_EQ(levelFromPeak(0), 0);
    EXPECT_EQ(levelFromPeak(1), 0);
    EXPECT_EQ(levelFromPeak(130), 0);
    EXPECT_EQ(levelFromPeak(131), 1);
    EXPECT_EQ(levelFromPeak(1060), 37);
    EXPECT_EQ(levelFromPeak(16384), 84);
    EXPECT_EQ(levelFromPeak(30934), 95);
    EXPECT_EQ(levelFromPeak(30935), 96);
    EXPECT_EQ(levelFromPeak(32767), 96);
    EXPECT_EQ(levelFromPeak(32768), 96);
    for (int peak = 1; peak < 32768; ++peak)
        ASSERT_LE(levelFromPeak(peak), levelFromPeak(peak + 1)) << peak;
}

TEST(AdpcmLevel, NegativeSwingsCountByMagnitude)
{
    const Block positive = constantBlock(1000);
    const Block negative = constantBlock(-1000);
    AdpcmCoder up;
    AdpcmCoder down;
    VoiceFrame upFrame{};
    VoiceFrame downFrame{};
    up.encode(upFrame, positive.data(), SAMPLES_PER_FRAME, 0);
    down.encode(downFrame, negative.data(), SAMPLES_PER_FRAME, 0);
    EXPECT_EQ(downFrame.level, 37);
    EXPECT_EQ(downFrame.level, upFrame.level);
    Block decoded{};
    decodeVoiceFrame(decoded.data(), 8, downFrame);
    EXPECT_EQ(decoded[6], -1060);
}

TEST(AdpcmEncode, OddCountLeavesTheLastHighNibbleZeroAndWritesNothingBeyond)
{
    const Block input = constantBlock(1000);
    AdpcmCoder coder;
    VoiceFrame frame = filledFrame(0xFF);
    coder.encode(frame, input.data(), 3, 0);
    EXPECT_EQ(frame.codes[0], 0x77);
    EXPECT_EQ(frame.codes[1], 0x07);
    EXPECT_EQ(frame.codes[2], 0xFF);
    EXPECT_EQ(frame.codes[VOICE_CODE_BYTES - 1], 0xFF);
    EXPECT_EQ(coder.predictor, 106);
}

TEST(AdpcmEncode, GainScalesTheInputAndTruncatesTowardZero)
{
    // +6 dB is a factor of 1.99526...: 500 -> 997.6 -> 997.
    const Block quiet = constantBlock(500);
    const Block expectedInput = constantBlock(997);
    AdpcmCoder gained;
    AdpcmCoder plain;
    VoiceFrame gainedFrame{};
    VoiceFrame plainFrame{};
    gained.encode(gainedFrame, quiet.data(), SAMPLES_PER_FRAME, 6);
    plain.encode(plainFrame, expectedInput.data(), SAMPLES_PER_FRAME, 0);
    EXPECT_EQ(std::memcmp(&gainedFrame, &plainFrame, VOICE_FRAME_SIZE), 0);

    // -6 dB is a factor of 0.50118...: -1000 -> -501.18 -> -501.
    const Block loud = constantBlock(-1000);
    const Block expectedLoud = constantBlock(-501);
    gained.reset();
    plain.reset();
    gained.encode(gainedFrame, loud.data(), SAMPLES_PER_FRAME, -6);
    plain.encode(plainFrame, expectedLoud.data(), SAMPLES_PER_FRAME, 0);
    EXPECT_EQ(std::memcmp(&gainedFrame, &plainFrame, VOICE_FRAME_SIZE), 0);

    // The level follows the gained signal, not the raw input.
    const Block tone = constantBlock(1000);
    gained.reset();
    gained.encode(gainedFrame, tone.data(), SAMPLES_PER_FRAME, 20);
    EXPECT_GE(gainedFrame.level, 75);
}
