#pragma once
// A speech-like test signal at 8000 Hz: a glottal pulse train with a gliding pitch, shaped by
// two formant resonators that move from vowel to vowel, in syllables of 120 to 300 ms with
// short pauses between them. Each seed gives its own voice (pitch, rhythm, vowel order).
// Threading: one generator per thread; no allocation.

#include <cstdint>

class SyntheticSpeech {
public:
    explicit SyntheticSpeech(uint32_t seed = 1);

    // Writes the next count samples.
    void render(int16_t* samples, int count);

private:
    struct Resonator {
        double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
        void tune(double frequency, double bandwidth);
        double step(double input);
    };

    uint32_t nextRandom();
    double randomUnit();  // uniform in [0, 1)
    void startSyllable();

    uint32_t random_;
    double basePitch_;       // Hz
    double pitch_ = 0;       // Hz, glides within a syllable
    double pitchGlide_ = 0;  // Hz per sample
    double phase_ = 0;       // 0..1 through one glottal period
    int syllableLength_ = 0;
    int syllablePosition_ = 0;
    bool voiced_ = false;
    Resonator first_;
    Resonator second_;
};
