#include "codec/adpcm_codec.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "codec/adpcm_quantiser.h"

static inline int32_t saturateSample(int32_t value)
{
    // Saturation is rare in speech: a predictable branch keeps the clamp off the sample-to-sample path.
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) [[unlikely]]
        return std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
    return value;
}

// Moves the predictor by (m + 1/2) steps / 4 in the direction of the code's sign bit.
// Forced inline: it sits on the per-sample dependency chain of both loops.
[[gnu::always_inline]] static inline int32_t reconstruct(int32_t predictor, int32_t step, uint32_t code)
{
    const int32_t delta = (step * static_cast<int32_t>(2 * (code & 7) + 1)) >> 3;
    return saturateSample((code & 8) ? predictor - delta : predictor + delta);
}

// The gained input sample, truncated toward zero; gains beyond the 32-bit range saturate.
static int32_t gainedSample(int16_t sample, double gain)
{
    const double scaled = std::clamp(sample * gain, -2147483648.0, 2147483647.0);
    return static_cast<int32_t>(scaled);
}

struct EncodeResult {
    int32_t predictor;
    int32_t stepIndex;
    int32_t peak;
};

// Codes count samples starting from (predictor, stepIndex). At 0 dB the gain factor is exactly 1,
// so that path skips the floating-point scaling without changing a result.
template <bool ApplyGain>
static EncodeResult encodeCodes(uint8_t* codes, const int16_t* samples, int count, double gain, int32_t predictor,
                                int32_t stepIndex)
{
    int32_t peak = 0;
    for (int i = 0; i < count; ++i) {
        const int32_t input = ApplyGain ? gainedSample(samples[i], gain) : samples[i];
        const int32_t step = adpcmStepTable[stepIndex];
        const int64_t difference = static_cast<int64_t>(input) - predictor;
        const uint32_t sign = difference < 0 ? 8 : 0;
        const auto magnitude = static_cast<uint32_t>(difference < 0 ? -difference : difference);
        const uint32_t m = quantiseMagnitude(magnitude, stepIndex);
        const uint32_t code = sign | m;
        predictor = reconstruct(predictor, step, code);
        if (i & 1)
            codes[i >> 1] = static_cast<uint8_t>(codes[i >> 1] | code << 4);
        else
            codes[i >> 1] = static_cast<uint8_t>(code);
        stepIndex = nextIndexTable[stepIndex][m];
        peak = std::max(peak, predictor < 0 ? -predictor : predictor);
    }
    return {predictor, stepIndex, peak};
}

void AdpcmCoder::reset()
{
    predictor = 0;
    stepIndex = 0;
}

void AdpcmCoder::encode(VoiceFrame& frame, const int16_t* samples, int count, int gainDb)
{
    frame.setPredictor(static_cast<int16_t>(predictor));
    frame.stepIndex = static_cast<uint8_t>(stepIndex);
    const EncodeResult result = gainDb == 0 ? encodeCodes<false>(frame.codes, samples, count, 1.0, predictor, stepIndex)
                                            : encodeCodes<true>(frame.codes, samples, count,
                                                                std::pow(10.0, gainDb / 20.0), predictor, stepIndex);
    frame.level = static_cast<uint8_t>(levelFromPeak(result.peak));
    predictor = result.predictor;
    stepIndex = result.stepIndex;
}

AdpcmState startStateOf(const VoiceFrame& frame)
{
    return {frame.predictor(), frame.stepIndex};
}

AdpcmState decodeVoiceFrame(int16_t* samples, int count, const VoiceFrame& frame)
{
    int32_t predictor = frame.predictor();
    int32_t stepIndex = frame.stepIndex;
    for (int i = 0; i < count; ++i) {
        const uint32_t code = (frame.codes[i >> 1] >> ((i & 1) * 4)) & 15u;
        predictor = reconstruct(predictor, adpcmStepTable[stepIndex], code);
        samples[i] = static_cast<int16_t>(predictor);
        stepIndex = nextIndexTable[stepIndex][code & 7];
    }
    return {predictor, stepIndex};
}

int decodeReceivedFrame(int16_t* samples, int count, const VoiceFrame& frame, AdpcmState* end)
{
    if (frame.stepIndex > ADPCM_MAX_STEP_INDEX || count < 0 || count > SAMPLES_PER_FRAME)
        return CODEC_FRAME_REFUSED;
    const AdpcmState decoded = decodeVoiceFrame(samples, count, frame);
    if (end != nullptr)
        *end = decoded;
    return 0;
}

int levelFromPeak(int peak)
{
    if (peak <= 0)
        return 0;
    const double attenuation = -40.0 * std::log10(peak / 32768.0);
    const int level = METER_FULL_SCALE - static_cast<int>(attenuation);
    return std::max(level, 0);
}
