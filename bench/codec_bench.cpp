// Cost of coding one 500-sample voice block, the unit of work per captured or received frame.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "codec/adpcm_codec.h"

constexpr int BLOCK_COUNT = 16;

using Block = std::array<int16_t, SAMPLES_PER_FRAME>;

// Speech-like test signal: two drifting tones under a slow envelope plus noise, so the coder
// visits small and large step sizes and every code magnitude.
static const std::array<Block, BLOCK_COUNT>& testBlocks()
{
    static const std::array<Block, BLOCK_COUNT> blocks = [] {
        std::array<Block, BLOCK_COUNT> result{};
        std::mt19937 random(12345);
        std::normal_distribution<double> noise(0.0, 300.0);
        int n = 0;
        for (Block& block : result) {
            for (int16_t& sample : block) {
                const double t = n++ / 8000.0;
                const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 3.0 * t);
                const double voice =
                    9000 * std::sin(2 * std::numbers::pi * 180 * t) + 4000 * std::sin(2 * std::numbers::pi * 1130 * t);
                sample = static_cast<int16_t>(std::clamp(envelope * voice + noise(random), -32768.0, 32767.0));
            }
        }
        return result;
    }();
    return blocks;
}

static void BM_EncodeBlock(benchmark::State& state)
{
    const auto& blocks = testBlocks();
    AdpcmCoder coder;
    VoiceFrame frame{};
    int next = 0;
    for (auto _ : state) {
        coder.encode(frame, blocks[next].data(), SAMPLES_PER_FRAME, 0);
        benchmark::DoNotOptimize(frame);
        next = (next + 1) % BLOCK_COUNT;
    }
    state.SetItemsProcessed(state.iterations() * SAMPLES_PER_FRAME);
}
BENCHMARK(BM_EncodeBlock);

static void BM_DecodeBlock(benchmark::State& state)
{
    const auto& blocks = testBlocks();
    std::array<VoiceFrame, BLOCK_COUNT> frames{};
    AdpcmCoder coder;
    for (int i = 0; i < BLOCK_COUNT; ++i)
        coder.encode(frames[i], blocks[i].data(), SAMPLES_PER_FRAME, 0);
    Block samples{};
    int next = 0;
    for (auto _ : state) {
        decodeReceivedFrame(samples.data(), SAMPLES_PER_FRAME, frames[next]);
        benchmark::DoNotOptimize(samples);
        next = (next + 1) % BLOCK_COUNT;
    }
    state.SetItemsProcessed(state.iterations() * SAMPLES_PER_FRAME);
}
BENCHMARK(BM_DecodeBlock);
