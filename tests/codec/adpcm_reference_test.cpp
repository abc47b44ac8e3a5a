// Bit-exactness of the encoder and decoder against a plain transcription of the coding
// formulas (64-bit arithmetic, a real division in the quantiser), over random blocks, every
// step index, arbitrary start states and gains that push the input far beyond 16 bits.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "codec/adpcm_codec.h"
#include "codec/adpcm_quantiser.h"

using Block = std::array<int16_t, SAMPLES_PER_FRAME>;

static uint32_t referenceMagnitude(int64_t difference, int stepIndex)
{
    const int64_t magnitude = difference < 0 ? -difference : difference;
    return static_cast<uint32_t>(std::min<int64_t>(4 * magnitude / adpcmStepTable[stepIndex], 7));
}

struct ReferenceResult {
    VoiceFrame frame;
    Block reconstruction;
    int32_t predictor;
    int32_t stepIndex;
};

static ReferenceResult referenceEncode(const VoiceFrame& initial, int32_t predictor, int32_t stepIndex,
                                       const int16_t* samples, int count, int gainDb)
{
    ReferenceResult result{initial, {}, 0, 0};
    auto* bytes = reinterpret_cast<uint8_t*>(&result.frame);
    bytes[0] = static_cast<uint8_t>(predictor & 0xFF);
    bytes[1] = static_cast<uint8_t>((predictor >> 8) & 0xFF);
    bytes[2] = static_cast<uint8_t>(stepIndex);
    const double gain = std::pow(10.0, gainDb / 20.0);
    int64_t peak = 0;
    for (int i = 0; i < count; ++i) {
        const auto x = static_cast<int32_t>(samples[i] * gain);
        const int64_t step = adpcmStepTable[stepIndex];
        const int64_t d = static_cast<int64_t>(x) - predictor;
        const uint32_t m = referenceMagnitude(d, stepIndex);
        const uint32_t code = m | (d < 0 ? 8u : 0u);
        const int64_t delta = (step * (2 * m + 1)) >> 3;
        predictor = static_cast<int32_t>(d < 0 ? std::max<int64_t>(predictor - delta, -32768)
                                               : std::min<int64_t>(predictor + delta, 32767));
        if (i % 2 == 0)
            result.frame.codes[i / 2] = static_cast<uint8_t>(code);
        else
            result.frame.codes[i / 2] = static_cast<uint8_t>(result.frame.codes[i / 2] | code << 4);
        stepIndex = nextIndexTable[stepIndex][m];
        peak = std::max<int64_t>(peak, predictor < 0 ? -predictor : predictor);
        result.reconstruction[i] = static_cast<int16_t>(predictor);
    }
    int level = 0;
    if (peak > 0)
        level = std::max(0, 96 - static_cast<int>(-40.0 * std::log10(static_cast<double>(peak) / 32768.0)));
    bytes[3] = static_cast<uint8_t>(level);
    result.predictor = predictor;
    result.stepIndex = stepIndex;
    return result;
}

TEST(AdpcmQuantiser, MatchesTheDivisionAtEveryStepIndexAndMagnitude)
{
    for (int index = 0; index < ADPCM_STEP_COUNT; ++index) {
        for (uint32_t magnitude = 0; magnitude <= 70000; ++magnitude)
            ASSERT_EQ(quantiseMagnitude(magnitude, index), referenceMagnitude(magnitude, index))
                << "index " << index << " magnitude " << magnitude;
        for (const uint32_t magnitude : {0x7FFFu, 0x8000u, 0xFFFFu, 0x10000u, 0x3FFFFFFFu, 0x40000000u, 0x7FFFFFFFu,
                                         0x80000000u, 0x80007FFFu, 0xFFFFFFFFu})
            ASSERT_EQ(quantiseMagnitude(magnitude, index), referenceMagnitude(magnitude, index))
                << "index " << index << " magnitude " << magnitude;
    }
}

// Signals of several characters: full-range noise, quiet noise, rails, tones, steps.
static void fillSignal(Block& block, std::mt19937& random)
{
    std::uniform_int_distribution<int> kindOf(0, 4);
    std::uniform_int_distribution<int> full(-32768, 32767);
    std::uniform_int_distribution<int> quiet(-40, 40);
    const int kind = kindOf(random);
    const double frequency = std::uniform_real_distribution<double>(20.0, 3900.0)(random);
    const double amplitude = std::uniform_real_distribution<double>(0.0, 32767.0)(random);
    for (int i = 0; i < SAMPLES_PER_FRAME; ++i) {
        switch (kind) {
        case 0:
            block[i] = static_cast<int16_t>(full(random));
            break;
        case 1:
            block[i] = static_cast<int16_t>(quiet(random));
            break;
        case 2:
            block[i] = (full(random) & 1) ? int16_t{32767} : int16_t{-32768};
            break;
        case 3:
            block[i] = static_cast<int16_t>(amplitude * std::sin(i * frequency * 2 * 3.14159265358979 / 8000));
            break;
        default:
            block[i] = static_cast<int16_t>((i / 50) % 2 ? amplitude : -amplitude);
            break;
        }
    }
}

TEST(AdpcmReference, EncoderAndDecoderMatchThePlainFormulasBitForBit)
{
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> predictorOf(-32768, 32767);
    std::uniform_int_distribution<int> indexOf(0, ADPCM_MAX_STEP_INDEX);
    std::uniform_int_distribution<int> countOf(0, SAMPLES_PER_FRAME);
    std::uniform_int_distribution<int> gainOf(-30, 90);
    std::uniform_int_distribution<int> percent(0, 99);
    Block samples{};
    for (int trial = 0; trial < 20000; ++trial) {
        fillSignal(samples, random);
        AdpcmCoder coder;
        coder.predictor = predictorOf(random);
        coder.stepIndex = indexOf(random);
        const int count = percent(random) < 70 ? SAMPLES_PER_FRAME : countOf(random);
        const int gainDb = percent(random) < 60 ? 0 : gainOf(random);
        VoiceFrame frame;
        std::memset(&frame, trial & 0xFF, sizeof frame);
        const ReferenceResult expected =
            referenceEncode(frame, coder.predictor, coder.stepIndex, samples.data(), count, gainDb);

        coder.encode(frame, samples.data(), count, gainDb);
        ASSERT_EQ(std::memcmp(&frame, &expected.frame, VOICE_FRAME_SIZE), 0)
            << "trial " << trial << " gain " << gainDb << " count " << count;
        ASSERT_EQ(coder.predictor, expected.predictor) << "trial " << trial;
        ASSERT_EQ(coder.stepIndex, expected.stepIndex) << "trial " << trial;

        Block decoded{};
        decodeVoiceFrame(decoded.data(), count, frame);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(decoded[i], expected.reconstruction[i]) << "trial " << trial << " sample " << i;
    }
}

TEST(AdpcmReference, ConsecutiveBlocksOfOneCoderDecodeToItsReconstruction)
{
    std::mt19937 random(77);
    Block samples{};
    AdpcmCoder coder;
    for (int block = 0; block < 2000; ++block) {
        fillSignal(samples, random);
        VoiceFrame frame{};
        const ReferenceResult expected =
            referenceEncode(frame, coder.predictor, coder.stepIndex, samples.data(), SAMPLES_PER_FRAME, 0);
        coder.encode(frame, samples.data(), SAMPLES_PER_FRAME, 0);
        Block decoded{};
        decodeVoiceFrame(decoded.data(), SAMPLES_PER_FRAME, frame);
        ASSERT_EQ(decoded, expected.reconstruction) << "block " << block;
        ASSERT_EQ(frame.level, expected.frame.level) << "block " << block;
    }
}
