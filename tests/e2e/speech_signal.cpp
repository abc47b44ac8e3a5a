#include "tests/e2e/speech_signal.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

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

bool runShell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

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

double energy(const std::vector<double>& values, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += values[i] * values[i];
    return sum;
}

double dot(const std::vector<double>& x, size_t xFrom, const std::vector<double>& y, size_t yFrom, size_t count)
{
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += x[xFrom + i] * y[yFrom + i];
    return sum;
}

struct BestLag {
    size_t lag = 0;
    double correlation = 0;
};

// Best normalised correlation of x[xFrom, xFrom + count) with y at lags firstLag..lastLag
// (y[xFrom + lag ...]); y must be long enough for every lag.
BestLag bestLag(const std::vector<double>& x, size_t xFrom, size_t count, const std::vector<double>& y,
                size_t firstLag, size_t lastLag)
{
    BestLag best;
    const double xEnergy = energy(x, xFrom, count);
    if (xEnergy <= 0)
        return best;
    double yEnergy = energy(y, xFrom + firstLag, count);
    for (size_t lag = firstLag; lag <= lastLag; ++lag) {
        if (lag > firstLag) {
            const double leaving = y[xFrom + lag - 1];
            const double entering = y[xFrom + lag + count - 1];
            yEnergy = std::max(0.0, yEnergy - leaving * leaving + entering * entering);
        }
        if (yEnergy <= 1e-9 * xEnergy)
            continue;
        const double correlation = dot(x, xFrom, y, xFrom + lag, count) / std::sqrt(xEnergy * yEnergy);
        if (correlation > best.correlation)
            best = {lag, correlation};
    }
    return best;
}

}

Samples readSamples(const std::string& rawPath)
{
    std::ifstream file(rawPath, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    Samples samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto low = static_cast<uint8_t>(bytes[2 * i]);
        const auto high = static_cast<uint8_t>(bytes[2 * i + 1]);
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(low | high << 8));
    }
    return samples;
}

bool writeSamples(const std::string& rawPath, const Samples& samples)
{
    std::ofstream file(rawPath, std::ios::binary | std::ios::trunc);
    for (const int16_t sample : samples) {
        const auto bits = static_cast<uint16_t>(sample);
        const char bytes[2] = {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8)};
        file.write(bytes, 2);
    }
    return static_cast<bool>(file);
}

Samples synthesiseSpeech(const std::string& text, const std::string& voice, const std::string& rawPath)
{
    const std::string wavPath = rawPath + ".wav";
    if (!runShell("espeak-ng -v " + voice + " -w '" + wavPath + "' '" + text + "'") ||
        !runShell("sox '" + wavPath + "' -r 8000 -c 1 -b 16 -e signed-integer -t raw '" + rawPath + "'"))
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
        loudest = std::max(loudest, energy(x, from, PART_SAMPLES));
    double weighted = 0;
    double weights = 0;
    double projected = 0;
    for (size_t from = 0; from + PART_SAMPLES <= count; from += PART_SAMPLES) {
        const double partEnergy = energy(x, from, PART_SAMPLES);
        if (partEnergy < LOUD_PART_SHARE * loudest)
            continue;
        const size_t firstLag = fine.lag >= PART_SLACK ? fine.lag - PART_SLACK : 0;
        const BestLag part = bestLag(x, from, PART_SAMPLES, y, firstLag, fine.lag + PART_SLACK);
        weighted += part.correlation * partEnergy;
        weights += partEnergy;
        projected += dot(x, from, y, from + part.lag, PART_SAMPLES);
    }
    match.correlation = weights > 0 ? weighted / weights : 0;
    match.gain = weights > 0 ? projected / weights : 0;
    return match;
}
