// Cost of cleaning one 500-sample microphone block (62.5 ms): echo cancellation against the
// loudspeaker's reference, noise suppression and automatic gain, all on, as in a conference.
// The time per block against 62.5 ms is the share of one core it takes while a microphone runs.

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "audio/voice_processor.h"

namespace {

constexpr int BLOCK = VoiceProcessor::BLOCK_SAMPLES;
constexpr int SECONDS = 4;

// The loudspeaker plays a voice-like sound; the microphone hears it 60 ms later at half
// amplitude over a fan.
struct Room {
    std::array<int16_t, SECONDS * 8000> played{};
    std::array<int16_t, SECONDS * 8000> heard{};
};

const Room& room()
{
    static const Room made = [] {
        Room result;
        std::mt19937 random(3);
        std::normal_distribution<double> fan(0.0, 580.0);
        for (size_t n = 0; n < result.played.size(); ++n) {
            const double t = static_cast<double>(n) / 8000.0;
            const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 3.0 * t);
            result.played[n] = static_cast<int16_t>(envelope * (6000 * std::sin(2 * std::numbers::pi * 170 * t) +
                                                                 2500 * std::sin(2 * std::numbers::pi * 1210 * t)));
        }
        for (size_t n = 0; n < result.heard.size(); ++n) {
            const double echo = n >= 480 ? 0.5 * result.played[n - 480] : 0.0;
            result.heard[n] = static_cast<int16_t>(std::lround(echo + fan(random)));
        }
        return result;
    }();
    return made;
}

void cleanOneBlock(benchmark::State& state)
{
    const Room& sound = room();
    VoiceProcessor processor;
    std::array<int16_t, BLOCK> block{};
    size_t from = 0;
    for (auto _ : state) {
        std::copy_n(&sound.heard[from], BLOCK, block.begin());
        processor.process(block.data(), &sound.played[from]);
        benchmark::DoNotOptimize(block.data());
        from = (from + BLOCK) % sound.heard.size();
    }
}
BENCHMARK(cleanOneBlock);

}  // namespace
