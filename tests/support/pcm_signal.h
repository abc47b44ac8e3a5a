#pragma once
// Test signals in the voice format (8000 Hz mono, signed 16-bit little-endian raw files):
// reading and writing them, making them (generators, or speech from espeak-ng and sox), and
// finding one signal again in another by normalised cross-correlation.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Samples = std::vector<int16_t>;

constexpr int SAMPLE_RATE = 8000;

Samples readSamples(const std::string& rawPath);
bool writeSamples(const std::string& rawPath, const Samples& samples);
// The samples held in raw bytes (a capture buffer, a file's contents).
Samples samplesOf(const uint8_t* bytes, size_t length);

Samples silence(size_t samples);
void append(Samples& to, const Samples& samples);
// A tone whose pitch glides from lowHz to highHz (distinct at every lag), at amplitude.
Samples sweep(size_t samples, double lowHz, double highHz, double amplitude);
// A square wave of +-8000: every sample counts as loud, so loud samples count played samples.
Samples squareWave(size_t samples);
// A steady level of 8000: every sample counts as loud, and with no edge inside it, a block of
// it keeps its length through a sound server that resamples (whose filters ring at edges).
Samples steadyLevel(size_t samples);
// Samples whose magnitude exceeds threshold.
size_t loudSamples(const Samples& samples, int threshold);

// espeak-ng speaks the text into a WAV file, in the voice or (when empty) its default one;
// sox turns a sound file into a voice-format raw file. Both give the program's exit code.
int speakToWav(const std::string& text, const std::string& voice, const std::string& wavPath);
int convertToRaw(const std::string& soundPath, const std::string& rawPath);

double signalEnergy(const std::vector<double>& values, size_t from, size_t count);
double dotProduct(const std::vector<double>& x, size_t xFrom, const std::vector<double>& y, size_t yFrom, size_t count);

struct BestLag {
    size_t lag = 0;
    double correlation = 0;
};

// Best normalised correlation of x[xFrom, xFrom + count) with y at lags firstLag..lastLag
// (y[xFrom + lag ...]); y must be long enough for every lag. Only positive correlations count.
BestLag bestLag(const std::vector<double>& x, size_t xFrom, size_t count, const std::vector<double>& y, size_t firstLag,
                size_t lastLag);

// Highest normalised cross-correlation of needle against any stretch of haystack, at any whole
// lag and up to half a sample between (1: the same waveform up to gain and a resampler's
// fractional delay; 0: unrelated or silent).
double bestCorrelation(const Samples& haystack, const Samples& needle);
