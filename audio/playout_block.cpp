#include "audio/playout_block.h"

#include <algorithm>
#include <cstdlib>

#include "audio/audio_clock.h"
#include "audio/playout_edits.h"

// What a lead of silence is copied from.
static const uint8_t SILENCE[PlayoutPolicy::LIMIT_BYTES] = {};

// The largest magnitude among count samples.
static int peakOf(const int16_t* samples, int count)
{
    int peak = 0;
    for (int i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

PlayoutBlock arriveBlock(PlayoutPolicy& policy, int16_t* samples, int sampleCount, uint32_t speechBytes,
                         uint32_t concealedBytes, const BlockArrival& arrival)
{
    PlayoutBlock block;
    block.sampleCount = sampleCount;
    const int peak = peakOf(samples, sampleCount);
    const auto count = static_cast<uint32_t>(sampleCount) * 2;
    block.decision = policy.arrive(monotonicUsec(), speechBytes, concealedBytes, count, peak, arrival);
    if (block.decision.keepBytes == 0) {
        block.sampleCount = 0;
    } else if (block.decision.keepBytes < count) {
        // Quiet material is simply cut short; loud material is spliced where it repeats.
        const int cut = static_cast<int>((count - block.decision.keepBytes) / 2);
        block.sampleCount =
            peak <= PlayoutPolicy::QUIET_PEAK ? sampleCount - cut : shortenBlock(samples, sampleCount, cut);
    }
    if (block.decision.fadeIn) {
        fadeIn(samples, block.sampleCount);
    }
    return block;
}

int queueLeadAndBlock(const PlayoutBlock& block, const int16_t* samples, QueueBytes queue, void* channel)
{
    const auto* blockBytes = reinterpret_cast<const uint8_t*>(samples);
    const auto keep = static_cast<uint32_t>(block.sampleCount) * 2;
    if (keep == 0) {
        return 0;
    }
    const bool fromBlock = !block.decision.fadeIn;
    int result = 0;
    for (uint32_t lead = block.decision.leadBytes; result == 0 && lead > 0;) {
        const uint32_t part = fromBlock ? std::min(lead, keep) : lead;
        result = queue(channel, fromBlock ? blockBytes : SILENCE, part);
        lead -= part;
    }
    return result == 0 ? queue(channel, blockBytes, keep) : result;
}
