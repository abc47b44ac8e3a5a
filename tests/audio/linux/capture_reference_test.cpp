// The loudspeaker's monitor is recorded beside the microphone only while it is wanted; switched
// on or off while the microphone runs, the buffers that follow carry a reference or go without.

#include <gtest/gtest.h>

#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/pcm_format.h"
#include "conference/worker_events.h"
#include "platform/event_loop.h"
#include "tests/audio/sound_server_tools.h"

namespace {

class CaptureReference : public testing::Test, private EventHandler {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loop.isValid());
        ASSERT_EQ(audio.connect("Kovaro"), 0) << "no sound server: run under ctest (fixture pulse)";
        makeVoiceFormat(format);
        loop.setHandler(*this);
    }

    void handleEvent(uint32_t message, uintptr_t, intptr_t lParam) override
    {
        if (message != MM_WIM_DATA)
            return;
        const int index = static_cast<int>(lParam);
        if (capture.bytesRecorded(index) == CaptureDevice::BUFFER_BYTES) {
            ++buffers;
            withReference += capture.reference(index) != nullptr ? 1 : 0;
        }
        capture.recycle(index);
    }

    // Counts the next full buffers, at least count (one wake-up may bring two), and how many
    // of them carried a reference.
    void countNext(int count)
    {
        buffers = 0;
        withReference = 0;
        EXPECT_TRUE(runUntil(
            loop, [&] { return buffers >= count; }, 20000));
    }

    EventLoop loop;
    AudioSystem audio;
    PcmFormat format{};
    CaptureDevice capture;
    int buffers = 0;
    int withReference = 0;
};

}  // namespace

TEST_F(CaptureReference, FollowsTheWishWhetherOpenedWithItOrSwitchedWhileRecording)
{
    capture.recordReference(false);
    ASSERT_EQ(capture.open(audio, &loop, format), 0);
    ASSERT_EQ(capture.start(), 0);
    countNext(8);
    EXPECT_EQ(withReference, 0);

    capture.recordReference(true);
    // The first buffers after the switch may still go without while the monitor starts.
    countNext(8);
    countNext(8);
    EXPECT_EQ(withReference, buffers);

    capture.recordReference(false);
    EXPECT_TRUE(capture.isWorking());
    countNext(8);
    EXPECT_EQ(withReference, 0);

    // A device opened again keeps the last wish.
    capture.close();
    ASSERT_EQ(capture.open(audio, &loop, format), 0);
    ASSERT_EQ(capture.start(), 0);
    countNext(8);
    EXPECT_EQ(withReference, 0);
}
