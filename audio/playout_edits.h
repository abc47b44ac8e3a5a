#pragma once
// Edits a playback channel makes to a block of 16-bit samples before it queues it, for the
// playout policy: a ramp after silence that was not in the speech, a shortened block spliced
// where its waveform repeats, so that the cut is not heard as a click, and the concealment
// that follows a block in case the next one is late or lost.
// Threading: pure functions.

#include <cstdint>

// Samples ramped in by fadeIn (4 ms).
constexpr int FADE_IN_SAMPLES = 32;
// Samples over which the two sides of a splice are blended (4 ms).
constexpr int SPLICE_SAMPLES = 32;

// Ramps the first FADE_IN_SAMPLES of samples (or all of them, when fewer) up from silence.
void fadeIn(int16_t* samples, int count);

// Removes at least cutSamples from the middle of the count samples, in place: the number
// removed (up to a voice period of at most 10 ms more, as the block allows) is chosen where
// the waveform after the cut best continues the one before it, and the two are blended over
// SPLICE_SAMPLES. The new count; count itself when the block is too short to splice.
int shortenBlock(int16_t* samples, int count, int cutSamples);

// Fills count samples that continue the blockCount samples of block: its last voice period
// (found where the waveform repeats best) played again and again, from its full level down to
// silence, so that a late or lost block is heard as this one fading out, without a step where
// the repetition begins.
void concealmentAfter(const int16_t* block, int blockCount, int16_t* concealment, int count);
