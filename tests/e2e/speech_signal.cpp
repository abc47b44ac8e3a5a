#include "tests/e2e/speech_signal.h"

#include "tests/e2e/null_sink.h"

#include <algorithm>
#include <cmath>

#include "codec/adpcm_codec.h"

namespace {

constexpr size_t PADDING_SAMPLES = SAMPLE_RATE / 10;
// The coarse delay search runs on averages of this many samples.
constexpr size_t DECIMATION = 4;
// Parts of the expected signal matched one by one (250 ms), each allowed to sit this far
// from the common delay (a late or dropped block shifts what follows).
constexpr size_t PART_SAMPLES = 2000;
constexpr int PART_SLACK = 600;
// Parts quieter than this share of the loudest part are pauses and are not matched.
constexpr double LOUD_PART_SHARE = 0.05;

std::vector<double> toDoubles(const Samples& samples, size_t length)
{
    std::vector<double> values(length, 0.0);
    std::copy(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(std::min(length, samples.size())),
              values.begin());
    return values;
}

std::vector<double> decimated(const std::vector<double>& values)
{
    std::vector<double> averages(values.size() / DECIMATION, 0.0);
    for (size_t i = 0; i < averages.size(); ++i)
        for (size_t k = 0; k < DECIMATION; ++k)
            averages[i] += values[i * DECIMATION + k] / DECIMATION;
    return averages;
}

}

Samples synthesiseSpeech(const std::string& text, const std::string& voice, const std::string& rawPath)
{
    const std::string wavPath = rawPath + ".wav";
    if (speakToWav(text, voice, wavPath) != 0 || convertToRaw(wavPath, rawPath) != 0)
        return {};
    Samples speech = readSamples(rawPath);
    if (speech.empty())
        return {};
    Samples padded(PADDING_SAMPLES, 0);
    padded.insert(padded.end(), speech.begin(), speech.end());
    padded.insert(padded.end(), PADDING_SAMPLES, 0);
    return writeSamples(rawPath, padded) ? padded : Samples{};
}

Samples throughVoiceCodec(const Samples& input)
{
    Samples blocks = input;
    blocks.resize((input.size() + SAMPLES_PER_FRAME - 1) / SAMPLES_PER_FRAME * SAMPLES_PER_FRAME, 0);
    Samples decoded(blocks.size());
    AdpcmCoder coder;
    for (size_t from = 0; from < blocks.size(); from += SAMPLES_PER_FRAME) {
        VoiceFrame frame{};
        coder.encode(frame, &blocks[from], SAMPLES_PER_FRAME, 0);
        decodeVoiceFrame(&decoded[from], SAMPLES_PER_FRAME, frame);
    }
    decoded.resize(input.size());
    return decoded;
}

double rootMeanSquare(const Samples& samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (const int16_t sample : samples)
        sum += static_cast<double>(sample) * sample;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

SpeechMatch matchSpeech(const Samples& expected, const Samples& recording, int maxDelaySamples)
{
    SpeechMatch match;
    const size_t count = expected.size() / DECIMATION * DECIMATION;
    const auto maxDelay = static_cast<size_t>(std::max(0, maxDelaySamples));
    if (count < PART_SAMPLES)
        return match;
    // Zeros beyond the recording's end, so that every lag has a full window.
    const size_t span = count + maxDelay + PART_SLACK + DECIMATION * 4;
    const std::vector<double> x = toDoubles(expected, count);
    const std::vector<double> y = toDoubles(recording, span);

    // Common delay: coarse search on averages, then the neighbourhood at the full rate.
    const std::vector<double> xCoarse = decimated(x);
    const std::vector<double> yCoarse = decimated(y);
    const BestLag coarse = bestLag(xCoarse, 0, xCoarse.size(), yCoarse, 0, maxDelay / DECIMATION);
    const size_t around = coarse.lag * DECIMATION;
    const BestLag fine =
        bestLag(x, 0, count, y, around >= 2 * DECIMATION ? around - 2 * DECIMATION : 0, around + 2 * DECIMATION);
    match.delaySamples = static_cast<int>(fine.lag);

    // Each loud part near that delay.
    double loudest = 0;
    for (size_t from = 0; from + PART_SAMPLES <= count; from += PART_SAMPLES)
        loudest = std::max(loudest, signalEnergy(x, from, PART_SAMPLES));
    double weighted = 0;
    double weights = 0;
    double projected = 0;
    for (size_t from = 0; from + PART_SAMPLES <= count; from += PART_SAMPLES) {
        const double partEnergy = signalEnergy(x, from, PART_SAMPLES);
        if (partEnergy < LOUD_PART_SHARE * loudest)
            continue;
        const size_t firstLag = fine.lag >= PART_SLACK ? fine.lag - PART_SLACK : 0;
        const BestLag part = bestLag(x, from, PART_SAMPLES, y, firstLag, fine.lag + PART_SLACK);
        weighted += part.correlation * partEnergy;
        weights += partEnergy;
        projected += dotProduct(x, from, y, from + part.lag, PART_SAMPLES);
    }
    match.correlation = weights > 0 ? weighted / weights : 0;
    match.gain = weights > 0 ? projected / weights : 0;
    return match;
}

double speechFound()
{
    return onPipeWire() ? 0.65 : SPEECH_FOUND;
}
