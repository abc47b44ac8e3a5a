#include "audio/playout_edits.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The voice periods looked at for a splice or a concealment (80 samples: 100 Hz; 20: 400 Hz).
constexpr int LONGEST_PERIOD = 80;
constexpr int SHORTEST_PERIOD = 20;

void fadeIn(int16_t* samples, int count)
{
    const int ramp = std::min(count, FADE_IN_SAMPLES);
    for (int i = 0; i < ramp; ++i)
        samples[i] = static_cast<int16_t>(samples[i] * i / FADE_IN_SAMPLES);
}

// How far apart the SPLICE_SAMPLES from a and from b are: the sum of their differences.
static int64_t mismatch(const int16_t* a, const int16_t* b)
{
    int64_t sum = 0;
    for (int i = 0; i < SPLICE_SAMPLES; ++i)
        sum += std::abs(a[i] - b[i]);
    return sum;
}

int shortenBlock(int16_t* samples, int count, int cutSamples)
{
    if (cutSamples <= 0 || cutSamples + SPLICE_SAMPLES > count)
        return count;
    const int longestCut = std::min(cutSamples + LONGEST_PERIOD, count - SPLICE_SAMPLES);
    // The splice sits in the middle of what remains, away from the neighbouring blocks' seams.
    const int start = (count - longestCut - SPLICE_SAMPLES) / 2;
    int best = cutSamples;
    int64_t bestMismatch = mismatch(samples + start, samples + start + cutSamples);
    for (int cut = cutSamples + 1; cut <= longestCut; ++cut) {
        const int64_t candidate = mismatch(samples + start, samples + start + cut);
        if (candidate < bestMismatch) {
            best = cut;
            bestMismatch = candidate;
        }
    }
    for (int i = 0; i < SPLICE_SAMPLES; ++i) {
        const int before = samples[start + i];
        const int after = samples[start + best + i];
        samples[start + i] = static_cast<int16_t>((before * (SPLICE_SAMPLES - i) + after * i) / SPLICE_SAMPLES);
    }
    const int tail = count - (start + SPLICE_SAMPLES + best);
    std::memmove(samples + start + SPLICE_SAMPLES, samples + start + SPLICE_SAMPLES + best,
                 static_cast<size_t>(tail) * sizeof *samples);
    return count - best;
}

void concealmentAfter(const int16_t* block, int blockCount, int16_t* concealment, int count)
{
    if (blockCount <= 0) {
        std::fill(concealment, concealment + std::max(count, 0), static_cast<int16_t>(0));
        return;
    }
    // The period whose end lines up best with the block's end, so that the repetition joins it
    // without a jump; a block too short to compare repeats whole.
    int period = blockCount;
    if (blockCount >= SHORTEST_PERIOD + SPLICE_SAMPLES) {
        const int16_t* last = block + blockCount - SPLICE_SAMPLES;
        const int longest = std::min(LONGEST_PERIOD, blockCount - SPLICE_SAMPLES);
        int64_t bestMismatch = INT64_MAX;
        for (int candidate = SHORTEST_PERIOD; candidate <= longest; ++candidate) {
            const int64_t difference = mismatch(last - candidate, last);
            if (difference < bestMismatch) {
                period = candidate;
                bestMismatch = difference;
            }
        }
    }
    const int16_t* repeated = block + blockCount - period;
    for (int i = 0; i < count; ++i)
        concealment[i] = static_cast<int16_t>(repeated[i % period] * (count - i) / count);
}
