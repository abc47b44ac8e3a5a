#pragma once
// Speech for the end-to-end tests and the checks that find it again in a recording.
// Speech is synthesised at test time (espeak-ng, then sox to 8000 Hz mono 16-bit raw).

#include <string>

#include "tests/support/pcm_signal.h"

// Speaks text into rawPath as 8000 Hz mono s16le, with 100 ms of silence before and after
// (a new sound-server stream loses its first few milliseconds). Empty on failure.
Samples synthesiseSpeech(const std::string& text, const std::string& voice, const std::string& rawPath);

// What a listener should hear: the samples encoded into voice frames and decoded again.
Samples throughVoiceCodec(const Samples& input);

double rootMeanSquare(const Samples& samples);

// How well a recording holds the expected signal, played once, with some delay (up to
// maxDelaySamples) and possibly small jumps of timing between parts of it.
struct SpeechMatch {
    // Energy-weighted mean over the expected signal's loud parts of the best normalised
    // cross-correlation of each part near the common delay: 1 for a perfect copy, near 0
    // for silence, noise or unrelated sound.
    double correlation = 0;
    // Delay of the recording behind the expected signal, in samples.
    int delaySamples = 0;
    // Amplitude of the recording relative to the expected signal, over the matched parts.
    double gain = 0;
};

SpeechMatch matchSpeech(const Samples& expected, const Samples& recording, int maxDelaySamples);

// Lowest correlation at which a recording counts as holding the speech.
constexpr double SPEECH_FOUND = 0.8;
// The same for the sound server the tests run on. PipeWire's graph, without realtime priority
// on a shared machine, now and then drops a cycle (21 ms) in every stream at once; one such
// block in a 2 s utterance brought the match of otherwise perfect speech down to 0.70..0.80
// in about one run in four of the end-to-end tests, so there 0.65 counts, still far above
// anything that is not the speech (silence, noise and other speech stay below 0.4).
double speechFound();
// Highest correlation at which a recording counts as not holding it.
constexpr double SPEECH_ABSENT = 0.4;
