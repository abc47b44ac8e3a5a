#include "tools/synthetic_speech.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double SAMPLE_RATE = 8000.0;
constexpr double PI = 3.14159265358979323846;
constexpr double PEAK = 9000.0;  // about -11 dB below full scale at the loudest

struct Vowel {
    double f1, f2;
};
// First and second formants of five vowels, Hz.
constexpr Vowel VOWELS[] = {{730, 1090}, {270, 2290}, {300, 870}, {530, 1840}, {570, 840}};
constexpr int VOWEL_COUNT = sizeof VOWELS / sizeof VOWELS[0];

}

void SyntheticSpeech::Resonator::tune(double frequency, double bandwidth)
{
    const double radius = std::exp(-PI * bandwidth / SAMPLE_RATE);
    a1 = 2.0 * radius * std::cos(2.0 * PI * frequency / SAMPLE_RATE);
    a2 = radius * radius;
    gain = 1.0 - radius;
}

double SyntheticSpeech::Resonator::step(double input)
{
    const double output = gain * input + a1 * y1 - a2 * y2;
    y2 = y1;
    y1 = output;
    return output;
}

SyntheticSpeech::SyntheticSpeech(uint32_t seed) : random_(seed * 2654435761u | 1u)
{
    basePitch_ = 95.0 + 130.0 * randomUnit();
    startSyllable();
}

uint32_t SyntheticSpeech::nextRandom()
{
    random_ ^= random_ << 13;
    random_ ^= random_ >> 17;
    random_ ^= random_ << 5;
    return random_;
}

double SyntheticSpeech::randomUnit()
{
    return nextRandom() / 4294967296.0;
}

void SyntheticSpeech::startSyllable()
{
    syllableLength_ = 960 + static_cast<int>(nextRandom() % 1441);  // 120..300 ms
    syllablePosition_ = 0;
    voiced_ = nextRandom() % 5 != 0;  // one syllable in five is a pause
    pitch_ = basePitch_ * (0.9 + 0.25 * randomUnit());
    pitchGlide_ = (randomUnit() - 0.6) * 0.25 * basePitch_ / syllableLength_;
    const Vowel& vowel = VOWELS[nextRandom() % VOWEL_COUNT];
    first_.tune(vowel.f1, 90.0);
    second_.tune(vowel.f2, 120.0);
}

void SyntheticSpeech::render(int16_t* samples, int count)
{
    for (int i = 0; i < count; ++i) {
        if (syllablePosition_ == syllableLength_)
            startSyllable();
        // Raised-cosine envelope over the syllable.
        const double shape = 0.5 - 0.5 * std::cos(2.0 * PI * syllablePosition_ / syllableLength_);
        ++syllablePosition_;

        phase_ += pitch_ / SAMPLE_RATE;
        pitch_ += pitchGlide_;
        double pulse = 0.0;
        if (phase_ >= 1.0) {
            phase_ -= 1.0;
            pulse = 1.0;
        }
        const double breath = (randomUnit() - 0.5) * 0.02;
        const double source = voiced_ ? pulse * shape + breath * shape : 0.0;
        const double voice = first_.step(source) + 0.6 * second_.step(source);
        const double scaled = std::clamp(voice * PEAK * 6.0, -32768.0, 32767.0);
        samples[i] = static_cast<int16_t>(std::lround(scaled));
    }
}
