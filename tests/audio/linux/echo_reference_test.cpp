// Pairing each microphone buffer with the loudspeaker's reference: the 500 samples that follow
// the previous buffer's, paired anew only when the microphone lost audio, the reference ran
// past the ring, or it stalled and came back.

#include "audio/linux/echo_reference.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Pairing : testing::Test {
    Pairing()
    {
        // The pairing never touches the stream; it only needs to know that the monitor is open.
        reference->stream = reinterpret_cast<pa_stream*>(reference.get());
    }

    // Monitor samples numbered on from what came before, so a buffer's reference tells which
    // stretch it was paired with.
    void deliver(uint64_t count)
    {
        std::vector<int16_t> samples(count);
        for (uint64_t index = 0; index < count; ++index)
            samples[index] = static_cast<int16_t>((reference->written + index) % 30000);
        keepReference(*reference, samples.data(), count);
    }

    // Buffer index filled; a pairing made anew takes the reference that has come, at once.
    int pairAnew(int index)
    {
        waitForReference(*reference, index);
        return nextPairedBuffer(*reference);
    }

    // The first sample of the stretch buffer index was paired with.
    int16_t pairedFrom(int index) const { return reference->samples[index][0]; }

    std::unique_ptr<EchoReference> reference = std::make_unique<EchoReference>();
};

}  // namespace

TEST_F(Pairing, TheFirstBufferTakesWhatHasComeAndTheNextFollowOnWhateverTheDeliveries)
{
    deliver(800);
    ASSERT_EQ(pairAnew(0), 0);
    EXPECT_EQ(reference->status[0], ReferenceStatus::Realigned);
    EXPECT_EQ(pairedFrom(0), 300);

    // The monitor's next delivery is late: the buffer waits for it.
    deliver(300);
    waitForReference(*reference, 1);
    EXPECT_EQ(nextPairedBuffer(*reference), -1);
    // A burst of the monitor does not move the pairing.
    deliver(1200);
    ASSERT_EQ(nextPairedBuffer(*reference), 1);
    EXPECT_EQ(reference->status[1], ReferenceStatus::Paired);
    EXPECT_EQ(pairedFrom(1), 800);
}

TEST_F(Pairing, WhenEveryBufferWaitsForItsReferenceThePairingMovesBack)
{
    deliver(800);
    ASSERT_EQ(pairAnew(0), 0);

    // From here the monitor delivers half a buffer after each buffer fills.
    const int last = EchoReference::BEHIND_BUFFERS;
    for (int index = 1; index <= last; ++index) {
        deliver(250);
        waitForReference(*reference, index);
        EXPECT_EQ(nextPairedBuffer(*reference), -1) << "buffer " << index;
        deliver(250);
        ASSERT_EQ(nextPairedBuffer(*reference), index);
        EXPECT_EQ(reference->status[index], index < last ? ReferenceStatus::Paired : ReferenceStatus::Realigned);
    }
    EXPECT_EQ(pairedFrom(last), 300 + 500 * last - 250);

    // The next buffer goes as it fills, and the pairing stays there.
    deliver(250);
    waitForReference(*reference, last + 1);
    ASSERT_EQ(nextPairedBuffer(*reference), last + 1);
    EXPECT_EQ(reference->status[last + 1], ReferenceStatus::Paired);
    EXPECT_EQ(pairedFrom(last + 1), 300 + 500 * (last + 1) - 250);
}

TEST_F(Pairing, LostMicrophoneAudioOrAReferenceBeyondTheRingPairsAnew)
{
    deliver(500);
    ASSERT_EQ(pairAnew(0), 0);

    loseAlignment(*reference);
    deliver(1000);
    ASSERT_EQ(pairAnew(1), 1);
    EXPECT_EQ(reference->status[1], ReferenceStatus::Realigned);
    EXPECT_EQ(pairedFrom(1), 1000);

    deliver(EchoReference::RING_SAMPLES + 500);
    waitForReference(*reference, 2);
    ASSERT_EQ(nextPairedBuffer(*reference), 2);
    EXPECT_EQ(reference->status[2], ReferenceStatus::Realigned);
    EXPECT_EQ(pairedFrom(2), static_cast<int16_t>(reference->written - 500));
}

TEST_F(Pairing, AStalledMonitorLetsBuffersGoWithoutAndIsPairedAnewWhenItRunsAgain)
{
    deliver(500);
    ASSERT_EQ(pairAnew(0), 0);

    // Nothing comes: buffers go with what there is, until the monitor counts as stalled.
    int filled = 0;
    for (; filled < 4 * EchoReference::STALL_BUFFERS && !reference->stalled; ++filled) {
        waitForReference(*reference, filled % CAPTURE_BUFFER_COUNT);
        while (nextPairedBuffer(*reference) >= 0) {
        }
    }
    ASSERT_TRUE(reference->stalled);
    EXPECT_GE(filled, EchoReference::STALL_BUFFERS);
    while (nextPairedBuffer(*reference) >= 0) {
    }
    // Then nothing waits for it any more.
    waitForReference(*reference, 2);
    ASSERT_EQ(nextPairedBuffer(*reference), 2);
    EXPECT_EQ(reference->status[2], ReferenceStatus::None);

    deliver(500);
    ASSERT_EQ(pairAnew(1), 1);
    EXPECT_EQ(reference->status[1], ReferenceStatus::Realigned);
}
