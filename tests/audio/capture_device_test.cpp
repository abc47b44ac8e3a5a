#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/pcm_format.h"
#include "conference/worker_events.h"
#include "platform/event_loop.h"
#include "sound_server_tools.h"

namespace {

struct Notification {
    int index;
    int bytesRecorded;
};

// Runs the capture against the fixture's virtual microphone, with the test as the worker:
// each MM_WIM_DATA is recorded, its full buffers' samples kept, and the buffer recycled.
class CaptureTest : public testing::Test, private EventHandler {
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
        const int bytes = capture.bytesRecorded(index);
        notifications.push_back({index, bytes});
        if (bytes == CaptureDevice::BUFFER_BYTES)
            append(captured, samplesOf(capture.buffer(index), static_cast<size_t>(bytes)));
        if (!holdBuffers)
            capture.recycle(index);
    }

    size_t fullBuffers() const
    {
        size_t count = 0;
        for (const Notification& notification : notifications)
            count += notification.bytesRecorded == CaptureDevice::BUFFER_BYTES ? 1 : 0;
        return count;
    }

    bool waitForFullBuffers(size_t count)
    {
        return runUntil(
            loop, [&] { return fullBuffers() >= count; }, 20000);
    }

    EventLoop loop;
    AudioSystem audio;
    PcmFormat format{};
    CaptureDevice capture;
    std::vector<Notification> notifications;
    std::vector<int16_t> captured;
    bool holdBuffers = false;
};

TEST_F(CaptureTest, RecordsWhatIsPlayedIntoTheMicrophoneInFullBuffers)
{
    // A new feed stream loses its first milliseconds, and under Wine its first few hundred may
    // stutter: lead in with half a second of silence.
    std::vector<int16_t> fed = silence(4000);
    const std::vector<int16_t> tone = sweep(16000, 300.0, 3000.0, 8000.0);
    append(fed, tone);
    append(fed, silence(1600));

    ASSERT_EQ(capture.open(audio, &loop, format), 0);
    EXPECT_TRUE(capture.isOpen());
    EXPECT_TRUE(capture.isStopped());
    ASSERT_EQ(capture.start(), 0);
    EXPECT_FALSE(capture.isStopped());
    EXPECT_EQ(capture.start(), AUDIO_ALREADY_RUNNING);

    MicrophoneFeed feed;
    ASSERT_TRUE(feed.start(fed));
    EXPECT_TRUE(runUntil(
        loop, [&] { return !feed.isPlaying(); }, 20000));
    // What the feed played last is still on its way: half a second more.
    const size_t target = fullBuffers() + 8;
    EXPECT_TRUE(waitForFullBuffers(target));
    const size_t whileRunning = notifications.size();
    capture.close();

    // While running, only full buffers come; a partly filled one only from a stop or close.
    for (size_t i = 0; i < whileRunning; ++i)
        EXPECT_EQ(notifications[i].bytesRecorded, CaptureDevice::BUFFER_BYTES) << "notification " << i;
    ASSERT_GE(captured.size(), tone.size());
    // Two stretches of the sweep, each found in the recording with its waveform intact.
    const std::vector<int16_t> early(tone.begin() + 2000, tone.begin() + 4000);
    const std::vector<int16_t> late(tone.begin() + 12000, tone.begin() + 14000);
    EXPECT_GT(bestCorrelation(captured, early), 0.95);
    EXPECT_GT(bestCorrelation(captured, late), 0.95);
}

TEST_F(CaptureTest, StopHandsBackEveryBufferOnceAndStartQueuesThemAgain)
{
    ASSERT_EQ(capture.open(audio, &loop, format), 0);
    ASSERT_EQ(capture.start(), 0);
    ASSERT_TRUE(waitForFullBuffers(3));

    capture.stop();
    EXPECT_TRUE(capture.isStopped());
    const size_t before = notifications.size();
    loop.runUntilIdle();
    std::set<int> handedBack;
    size_t partial = 0;
    for (size_t i = before; i < notifications.size(); ++i) {
        handedBack.insert(notifications[i].index);
        partial += notifications[i].bytesRecorded < CaptureDevice::BUFFER_BYTES ? 1 : 0;
    }
    // Full buffers already on their way before the stop arrive too; all 32 come back once.
    EXPECT_EQ(notifications.size() - before, static_cast<size_t>(CaptureDevice::BUFFER_COUNT));
    EXPECT_EQ(handedBack.size(), static_cast<size_t>(CaptureDevice::BUFFER_COUNT));
    EXPECT_GE(partial, static_cast<size_t>(CaptureDevice::BUFFER_COUNT - 2));

    pause(300);
    loop.runUntilIdle();
    EXPECT_EQ(notifications.size() - before, static_cast<size_t>(CaptureDevice::BUFFER_COUNT));

    const size_t fullBeforeRestart = fullBuffers();
    ASSERT_EQ(capture.start(), 0);
    EXPECT_TRUE(waitForFullBuffers(fullBeforeRestart + 3));
}

TEST_F(CaptureTest, AWorkerThatFallsBehindLosesAudioButNoBuffers)
{
    holdBuffers = true;
    ASSERT_EQ(capture.open(audio, &loop, format), 0);
    ASSERT_EQ(capture.start(), 0);
    // Longer than the ring's 2 seconds without handling a single notification.
    pause(3000);
    loop.runUntilIdle();
    EXPECT_EQ(notifications.size(), static_cast<size_t>(CaptureDevice::BUFFER_COUNT));
    EXPECT_EQ(fullBuffers(), static_cast<size_t>(CaptureDevice::BUFFER_COUNT));
    EXPECT_GT(capture.droppedBytes(), 0u);

    // Once the worker catches up, the ring turns again.
    holdBuffers = false;
    for (const Notification& notification : notifications)
        capture.recycle(notification.index);
    EXPECT_TRUE(waitForFullBuffers(CaptureDevice::BUFFER_COUNT + 3));
}

TEST_F(CaptureTest, NothingArrivesAfterClose)
{
    ASSERT_EQ(capture.open(audio, &loop, format), 0);
    ASSERT_EQ(capture.start(), 0);
    ASSERT_TRUE(waitForFullBuffers(2));

    capture.close();
    EXPECT_FALSE(capture.isOpen());
    EXPECT_TRUE(capture.isStopped());
    loop.runUntilIdle();
    const size_t afterClose = notifications.size();
    pause(300);
    loop.runUntilIdle();
    EXPECT_EQ(notifications.size(), afterClose);
    EXPECT_EQ(capture.start(), 0);
    EXPECT_TRUE(capture.isStopped());
}

}  // namespace
