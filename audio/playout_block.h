#pragma once
// What a playback channel does with a written block before its system queues it, the same on
// every system: the playout policy's decision for the block, the edits it asks for applied to
// the samples, and the lead of silence or of the block itself that goes ahead of it.
// Threading: the channel's owner.

#include <cstdint>

#include "audio/playout_policy.h"

// A block after the policy has seen it.
struct PlayoutBlock {
    PlayoutDecision decision;
    // Samples left to play after the edits (a cut or a splice), ramped in where asked.
    int sampleCount = 0;
};

// Hands the policy a block of sampleCount samples arriving now, while the channel holds
// speechBytes of speech followed by concealedBytes of concealment not played yet, having
// having come as arrival says, and edits the samples in place as the decision says.
PlayoutBlock arriveBlock(PlayoutPolicy& policy, int16_t* samples, int sampleCount, uint32_t speechBytes,
                         uint32_t concealedBytes, const BlockArrival& arrival);

// Queues count bytes on a channel: 0, or a negative error.
using QueueBytes = int (*)(void* channel, const uint8_t* bytes, uint32_t count);

// Queues the lead the decision asks for, then the block's samples, through queue (nothing
// when the whole block was cut); stops at the first error and returns it. After a gap the lead is silence; in a quiet
// moment it is more of the quiet block, so that a murmur in the background goes on.
int queueLeadAndBlock(const PlayoutBlock& block, const int16_t* samples, QueueBytes queue, void* channel);
