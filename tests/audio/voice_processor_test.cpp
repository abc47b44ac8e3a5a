// The microphone's voice processing over recorded speech: an echo with a known delay, steady
// noise, a quiet talker. Figures are levels and correlations with tolerances, not samples.

#include "audio/voice_processor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/support/pcm_signal.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr int BLOCK = VoiceProcessor::BLOCK_SAMPLES;
constexpr size_t SECOND = SAMPLE_RATE;

// Speech of espeak-ng, repeated to length and scaled so that its loud parts sit at dBFS.
Samples speech(const std::string& text, const std::string& voice, size_t length, double dbfs)
{
    ScratchFolder folder;
    const std::string wav = folder.path() + "/speech.wav";
    const std::string raw = folder.path() + "/speech.raw";
    if (speakToWav(text, voice, wav) != 0 || convertToRaw(wav, raw) != 0)
        return {};
    const Samples spoken = readSamples(raw);
    double sum = 0;
    for (const int16_t sample : spoken)
        sum += static_cast<double>(sample) * sample;
    const double gain = 32768.0 * std::pow(10.0, dbfs / 20) / std::sqrt(sum / static_cast<double>(spoken.size()));
    Samples out(length);
    for (size_t index = 0; index < length; ++index)
        out[index] = static_cast<int16_t>(std::lround(spoken[index % spoken.size()] * gain));
    return out;
}

Samples noise(size_t length, double dbfs)
{
    std::mt19937 random(7);
    std::normal_distribution<double> normal(0.0, 32768.0 * std::pow(10.0, dbfs / 20));
    Samples out(length);
    for (int16_t& sample : out)
        sample = static_cast<int16_t>(std::lround(normal(random)));
    return out;
}

Samples mix(const Samples& a, const Samples& b, double bGain = 1.0, size_t bDelay = 0)
{
    Samples out(a.size());
    for (size_t index = 0; index < a.size(); ++index) {
        const double delayed = index >= bDelay ? b[index - bDelay] * bGain : 0.0;
        out[index] = static_cast<int16_t>(std::clamp(a[index] + delayed, -32768.0, 32767.0));
    }
    return out;
}

// The microphone's blocks through a processor, with the reference when one is given.
Samples processed(Samples microphone, const Samples* reference, VoiceProcessingSwitches switches = {})
{
    VoiceProcessor processor;
    processor.setSwitches(switches);
    for (size_t from = 0; from + BLOCK <= microphone.size(); from += BLOCK)
        processor.process(&microphone[from], reference != nullptr ? &(*reference)[from] : nullptr);
    return microphone;
}

double levelDb(const Samples& samples, size_t from, size_t to)
{
    double sum = 1e-9;
    for (size_t index = from; index < to; ++index)
        sum += static_cast<double>(samples[index]) * samples[index];
    return 10 * std::log10(sum / static_cast<double>(to - from) / (32768.0 * 32768.0));
}

// Normalised correlation of the processed signal over [from, to) with the original, at the
// lag the processing delays it by.
double correlation(const Samples& out, const Samples& original, size_t from, size_t to)
{
    double best = 0;
    for (size_t lag = 0; lag <= 200; ++lag) {
        double ab = 0, aa = 1e-9, bb = 1e-9;
        for (size_t index = from; index < to; ++index) {
            ab += static_cast<double>(out[index]) * original[index - lag];
            aa += static_cast<double>(out[index]) * out[index];
            bb += static_cast<double>(original[index - lag]) * original[index - lag];
        }
        best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

const char FAR_TEXT[] = "The relay server forwards every voice frame to the other participants in the conference.";
const char ROOM_TEXT[] = "Please speak one at a time, and mute the microphone while you are not talking.";

}  // namespace

TEST(VoiceProcessor, TakesOutAnEchoOfKnownDelayAndKeepsTheRoomsOwnSpeech)
{
    const size_t length = 12 * SECOND;
    const Samples far = speech(FAR_TEXT, "en-us", length, -20);
    const Samples room = speech(ROOM_TEXT, "en+f3", length, -20);
    ASSERT_FALSE(far.empty());
    ASSERT_FALSE(room.empty());
    // The loudspeaker's sound comes back 60 ms later at half amplitude, with a little hiss.
    const Samples echo = mix(noise(length, -70), far, 0.5, 480);
    const Samples echoOut = processed(echo, &far);
    const double reduction = levelDb(echo, 3 * SECOND, length) - levelDb(echoOut, 3 * SECOND, length);
    std::printf("echo %.1f dB lower after 3 s\n", reduction);
    EXPECT_GT(reduction, 25.0);

    // Both talk at once: what the room says goes out, the far end's echo does not.
    const Samples both = mix(echo, room);
    const Samples bothOut = processed(both, &far);
    const double kept = correlation(bothOut, room, 3 * SECOND, length);
    std::printf("double talk: correlation with the room's speech %.3f\n", kept);
    EXPECT_GT(kept, 0.8);
}

TEST(VoiceProcessor, KeepsSpeechAloneAndEvensOutItsLevel)
{
    const size_t length = 12 * SECOND;
    const Samples normal = speech(ROOM_TEXT, "en+f3", length, -20);
    const Samples quiet = speech(ROOM_TEXT, "en+f3", length, -38);
    const Samples normalOut = processed(normal, nullptr);
    const Samples quietOut = processed(quiet, nullptr);
    const double kept = correlation(normalOut, normal, 3 * SECOND, length);
    const double normalLevel = levelDb(normalOut, 3 * SECOND, length);
    const double quietLevel = levelDb(quietOut, 3 * SECOND, length);
    std::printf("speech alone: correlation %.3f, level %.1f dB in, %.1f dB out; quiet talker %.1f dB out\n", kept,
                levelDb(normal, 3 * SECOND, length), normalLevel, quietLevel);
    EXPECT_GT(kept, 0.9);
    EXPECT_LT(std::abs(normalLevel - levelDb(normal, 3 * SECOND, length)), 6.0);
    EXPECT_LT(std::abs(normalLevel - quietLevel), 6.0);
}

// The fan is pressed down, and the gain may not lift what is left of it (by 4 to 5 dB when it
// rose on noise): lifted, it would feed the loop through a loudspeaker.
TEST(VoiceProcessor, PressesDownSteadyNoiseWithoutLiftingIt)
{
    const size_t length = 15 * SECOND;
    const Samples fan = noise(length, -35);
    const double reduction = levelDb(fan, 3 * SECOND, length) - levelDb(processed(fan, nullptr), 3 * SECOND, length);
    std::printf("noise %.1f dB lower\n", reduction);
    EXPECT_GT(reduction, 17.0);
}

TEST(VoiceProcessor, SwitchedOffLeavesTheMicrophoneAsItIs)
{
    const Samples fan = noise(2 * SECOND, -35);
    EXPECT_EQ(processed(fan, &fan, VoiceProcessingSwitches{false, false, false}), fan);
}
