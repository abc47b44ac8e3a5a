#include "tests/support/pcm_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/support/child_program.h"

Samples readSamples(const std::string& rawPath)
{
    std::ifstream file(rawPath, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return samplesOf(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
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

Samples samplesOf(const uint8_t* bytes, size_t length)
{
    Samples samples(length / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return samples;
}

Samples silence(size_t samples)
{
    return Samples(samples, 0);
}

void append(Samples& to, const Samples& samples)
{
    to.insert(to.end(), samples.begin(), samples.end());
}

Samples sweep(size_t samples, double lowHz, double highHz, double amplitude)
{
    Samples out(samples);
    const double seconds = static_cast<double>(samples) / SAMPLE_RATE;
    for (size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / SAMPLE_RATE;
        const double phase = 2.0 * M_PI * (lowHz * t + (highHz - lowHz) * t * t / (2.0 * seconds));
        out[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
    }
    return out;
}

Samples squareWave(size_t samples)
{
    Samples out(samples);
    for (size_t i = 0; i < samples; ++i)
        out[i] = (i / 8) % 2 == 0 ? 8000 : -8000;
    return out;
}

Samples steadyLevel(size_t samples)
{
    return Samples(samples, 8000);
}

size_t loudSamples(const Samples& samples, int threshold)
{
    size_t count = 0;
    for (const int16_t sample : samples)
        count += std::abs(static_cast<int>(sample)) > threshold ? 1 : 0;
    return count;
}

int speakToWav(const std::string& text, const std::string& voice, const std::string& wavPath)
{
    std::vector<std::string> arguments{"espeak-ng", "-w", wavPath, text};
    if (!voice.empty())
        arguments.insert(arguments.begin() + 1, {"-v", voice});
    return runToEnd(arguments);
}

int convertToRaw(const std::string& soundPath, const std::string& rawPath)
{
    return runToEnd(
        {"sox", soundPath, "-r", "8000", "-c", "1", "-b", "16", "-e", "signed-integer", "-t", "raw", rawPath});
}

double signalEnergy(const std::vector<double>& values, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += values[i] * values[i];
    return sum;
}

double dotProduct(const std::vector<double>& x, size_t xFrom, const std::vector<double>& y, size_t yFrom, size_t count)
{
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += x[xFrom + i] * y[yFrom + i];
    return sum;
}

BestLag bestLag(const std::vector<double>& x, size_t xFrom, size_t count, const std::vector<double>& y, size_t firstLag,
                size_t lastLag)
{
    BestLag best;
    const double xEnergy = signalEnergy(x, xFrom, count);
    if (xEnergy <= 0)
        return best;
    // The window's energy slides along with the lag instead of being summed again.
    double yEnergy = signalEnergy(y, xFrom + firstLag, count);
    for (size_t lag = firstLag; lag <= lastLag; ++lag) {
        if (lag > firstLag) {
            const double leaving = y[xFrom + lag - 1];
            const double entering = y[xFrom + lag + count - 1];
            yEnergy = std::max(0.0, yEnergy - leaving * leaving + entering * entering);
        }
        if (yEnergy <= 1e-9 * xEnergy)
            continue;
        const double correlation = dotProduct(x, xFrom, y, xFrom + lag, count) / std::sqrt(xEnergy * yEnergy);
        if (correlation > best.correlation)
            best = {lag, correlation};
    }
    return best;
}

// The signal delayed by a fraction of a sample (-1 < fraction < 1), by a Hann-windowed sinc
// of SINC_TAPS taps each side, as a resampler would leave it.
static std::vector<double> delayedByFraction(const Samples& signal, double fraction)
{
    constexpr int SINC_TAPS = 16;
    std::vector<double> out(signal.size(), 0.0);
    for (size_t i = 0; i < signal.size(); ++i) {
        double sum = 0;
        for (int tap = -SINC_TAPS; tap <= SINC_TAPS; ++tap) {
            const auto source = static_cast<ptrdiff_t>(i) + tap;
            if (source < 0 || source >= static_cast<ptrdiff_t>(signal.size()))
                continue;
            const double t = tap + fraction;
            const double sinc = std::abs(t) < 1e-9 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
            const double window = 0.5 + 0.5 * std::cos(M_PI * t / (SINC_TAPS + 1));
            sum += signal[static_cast<size_t>(source)] * sinc * window;
        }
        out[i] = sum;
    }
    return out;
}

double bestCorrelation(const Samples& haystack, const Samples& needle)
{
    if (needle.empty() || haystack.size() < needle.size())
        return 0.0;
    const std::vector<double> y(haystack.begin(), haystack.end());
    // A sound server that resamples (PipeWire's graph runs at 48 kHz) returns the signal a
    // fraction of a sample late or early: the needle is tried at quarter-sample shifts.
    double best = 0;
    for (const double fraction : {0.0, 0.25, 0.5, -0.25, -0.5}) {
        const std::vector<double> x = delayedByFraction(needle, fraction);
        best = std::max(best, bestLag(x, 0, x.size(), y, 0, y.size() - x.size()).correlation);
    }
    return best;
}
