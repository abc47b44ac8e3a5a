#include "echo_reference.h"

#include <algorithm>

void restartReference(EchoReference& reference)
{
    reference.aligned = false;
    reference.stalled = false;
    reference.buffersAhead = 0;
    reference.buffersWithout = 0;
    reference.waitingCount = 0;
}

void loseAlignment(EchoReference& reference)
{
    reference.aligned = false;
}

void keepReference(EchoReference& reference, const int16_t* samples, uint64_t count)
{
    for (uint64_t index = 0; index < count; ++index)
        reference.ring[(reference.written + index) % EchoReference::RING_SAMPLES] =
            samples != nullptr ? samples[index] : 0;
    reference.written += count;
    if (count > 0 && reference.stalled) {
        reference.stalled = false;
        reference.aligned = false;
        reference.buffersWithout = 0;
    }
}

void waitForReference(EchoReference& reference, int index)
{
    // Before the pairing is made, a buffer takes what has come: nothing is missing.
    const uint64_t end = reference.nextEnd + CAPTURE_BUFFER_SAMPLES * static_cast<uint64_t>(reference.waitingCount);
    reference.missingAtFill[index] = reference.aligned && end > reference.written ? end - reference.written : 0;
    reference.waiting[reference.waitingCount++] = index;
}

// The oldest waiting buffer's reference has come, after this much of it was missing when the
// buffer filled: the pairing moves back by the least wait once every buffer for a while waited.
static void followLateDeliveries(EchoReference& reference, uint64_t missing)
{
    if (missing < EchoReference::BEHIND_LEAST_SAMPLES) {
        reference.buffersBehind = 0;
        return;
    }
    reference.leastBehind = reference.buffersBehind == 0 ? missing : std::min(reference.leastBehind, missing);
    if (++reference.buffersBehind < EchoReference::BEHIND_BUFFERS)
        return;
    reference.nextEnd -= reference.leastBehind;
    reference.buffersBehind = 0;
    reference.moved = true;
}

// Takes the oldest waiting buffer off the list, without a reference.
static int takeWaitingBuffer(EchoReference& reference)
{
    if (reference.waitingCount == 0)
        return -1;
    const int index = reference.waiting[0];
    std::copy(reference.waiting + 1, reference.waiting + reference.waitingCount, reference.waiting);
    --reference.waitingCount;
    reference.status[index] = ReferenceStatus::None;
    return index;
}

// Copies the 500 samples that end at nextEnd into buffer index's reference; what has not come
// yet, or was overwritten long ago, is silence.
static void copyReference(EchoReference& reference, int index)
{
    const uint64_t begin = reference.nextEnd - CAPTURE_BUFFER_SAMPLES;
    int16_t* target = reference.samples[index];
    for (int offset = 0; offset < CAPTURE_BUFFER_SAMPLES; ++offset) {
        const uint64_t position = begin + static_cast<uint64_t>(offset);
        const bool kept = position < reference.written && position + EchoReference::RING_SAMPLES > reference.written;
        target[offset] = kept ? reference.ring[position % EchoReference::RING_SAMPLES] : 0;
    }
    reference.pairedEnd = reference.nextEnd;
    reference.nextEnd += CAPTURE_BUFFER_SAMPLES;
}

int nextPairedBuffer(EchoReference& reference, bool now)
{
    if (reference.waitingCount == 0)
        return -1;
    if (reference.stream == nullptr || reference.stalled)
        return takeWaitingBuffer(reference);
    if (!reference.aligned) {
        reference.nextEnd = std::max(reference.written, reference.pairedEnd + CAPTURE_BUFFER_SAMPLES);
        reference.aligned = true;
        reference.moved = true;
        reference.buffersAhead = 0;
        reference.buffersBehind = 0;
    }
    const bool here = reference.written >= reference.nextEnd;
    if (!here && !now && reference.waitingCount <= EchoReference::MAX_WAITING)
        return -1;
    if (here) {
        reference.buffersWithout = 0;
        followLateDeliveries(reference, reference.missingAtFill[reference.waiting[0]]);
        const uint64_t lead = reference.written - reference.nextEnd;
        reference.buffersAhead = lead > EchoReference::REALIGN_SAMPLES ? reference.buffersAhead + 1 : 0;
        if (reference.buffersAhead >= EchoReference::AHEAD_BUFFERS ||
            lead + CAPTURE_BUFFER_SAMPLES > EchoReference::RING_SAMPLES) {
            reference.nextEnd = reference.written;
            reference.buffersAhead = 0;
            reference.moved = true;
        }
    } else if (++reference.buffersWithout >= EchoReference::STALL_BUFFERS) {
        reference.stalled = true;
    }
    // Late with nothing of its time come: it goes without. Far behind, the reference is paired
    // anew with the next buffer.
    if (!here && reference.nextEnd - reference.written >= CAPTURE_BUFFER_SAMPLES) {
        reference.nextEnd += CAPTURE_BUFFER_SAMPLES;
        if (reference.nextEnd - reference.written > EchoReference::REALIGN_SAMPLES)
            reference.aligned = false;
        return takeWaitingBuffer(reference);
    }
    const int index = reference.waiting[0];
    copyReference(reference, index);
    takeWaitingBuffer(reference);
    reference.status[index] = reference.moved ? ReferenceStatus::Realigned : ReferenceStatus::Paired;
    reference.moved = false;
    return index;
}
