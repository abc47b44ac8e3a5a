// A program's sound on wave devices that go away: the device's error results reach the same
// recovery as on Linux, on the fake device of fake_wave_device.h.

#include "platform/event_loop.h"

#include "shell/sound_devices.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio_fault.h"
#include "conference/worker_events.h"
#include "tests/win32/fake_wave_device.h"

namespace {

class SoundDevicesOnWaveTest : public ::testing::Test, private EventHandler, private MainWindowView {
protected:
    void SetUp() override
    {
        fake_wave::reset();
        loop.setClock(clock);
        loop.setHandler(*this);
        sound.openAtStart();
    }

    void TearDown() override { sound.close(); }

    // The view: the sound only tells of its faults in notices.
    void notice(const char* text, const char*, bool onlyIfShowing) override
    {
        notices.push_back(std::string(text) + (onlyIfShowing ? " (if showing)" : ""));
    }
    void showFatal(const char* text, const char* caption, bool) override
    {
        std::fprintf(stderr, "fatal box: %s: %s\n", caption, text);
        std::abort();
    }
    void title(const char*) override { ADD_FAILURE() << "a title"; }
    void controlText(int, const char*) override { ADD_FAILURE() << "a control text"; }
    void meter(int, int) override { ADD_FAILURE() << "a meter"; }
    void warning(const char*, const char*) override { ADD_FAILURE() << "a warning box"; }

    void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        if (message == WM_AUDIO_FAULT) {
            sound.handleFault();
        } else if (message == WM_TIMER && wParam == TIMER_AUDIO_RETRY) {
            sound.retry();
        } else if (message == MM_WIM_DATA) {
            capture.recycle(static_cast<int>(lParam));
        }
    }

    void advance(uint64_t ms)
    {
        clock.advance(ms);
        loop.runUntilIdle();
    }

    int writeToEveryChannel()
    {
        int failed = 0;
        for (PlaybackChannel& channel : channels) {
            failed += channel.write(block, sizeof block) != 0 ? 1 : 0;
        }
        loop.runUntilIdle();
        return failed;
    }

    bool allWorking() const
    {
        bool working = capture.isWorking();
        for (const PlaybackChannel& channel : channels) {
            working = working && channel.isWorking();
        }
        return working;
    }

    ManualClock clock{1000};
    EventLoop loop;
    CaptureDevice capture;
    PlaybackChannel channels[SLOT_COUNT];
    SoundDevices sound{loop, *this, "kovaro-test", &capture, channels};
    std::vector<std::string> notices;
    uint8_t block[PlaybackChannel::BLOCK_BYTES] = {};
};

const std::string SOUND_LOST =
    "サウンドサーバーまたはオーディオデバイスが使えなくなりました。会議は続いています。使えるようになりしだい音声を再開します。";
const std::string SOUND_BACK = "音声が再開しました。 (if showing)";

// The microphone finds it first: the driver hands its buffers back, and they cannot be
// queued again.
TEST_F(SoundDevicesOnWaveTest, ARecordingDeviceThatGoesAwayIsOpenedAgainAndRecordsOnceItIsBack)
{
    ASSERT_EQ(capture.start(), 0);
    ASSERT_EQ(writeToEveryChannel(), 0);
    EXPECT_GT(fake_wave::record(), 0);
    loop.runUntilIdle();
    ASSERT_TRUE(allWorking());

    fake_wave::unplug();
    loop.runUntilIdle();
    EXPECT_TRUE(sound.isRecovering());
    EXPECT_FALSE(allWorking()) << "every device on the unplugged one is found gone";
    EXPECT_EQ(notices, std::vector{SOUND_LOST});

    advance(SoundDevices::RETRY_PERIOD_MS);
    advance(SoundDevices::RETRY_PERIOD_MS);
    EXPECT_TRUE(sound.isRecovering()) << "still unplugged";
    EXPECT_EQ(fake_wave::openOutputs(), 0) << "dead devices are closed";

    fake_wave::plugIn();
    advance(SoundDevices::RETRY_PERIOD_MS);
    EXPECT_FALSE(sound.isRecovering());
    EXPECT_TRUE(allWorking());
    EXPECT_EQ(fake_wave::openOutputs(), static_cast<int>(SLOT_COUNT));
    EXPECT_TRUE(fake_wave::inputStarted()) << "the recording goes on";
    EXPECT_GT(fake_wave::record(), 0);
    loop.runUntilIdle();
    EXPECT_GT(fake_wave::record(), 0) << "handed-back buffers are queued again";
    EXPECT_EQ(writeToEveryChannel(), 0);
    EXPECT_GT(fake_wave::bytesPlayed(), 0u);
    EXPECT_EQ(notices, (std::vector{SOUND_LOST, SOUND_BACK}));
}

// Without a recording, the first write finds the output gone; the microphone comes back
// stopped, and no later report of the same loss tells the user again.
TEST_F(SoundDevicesOnWaveTest, AnOutputThatGoesAwayIsFoundByAWriteAndTheMicrophoneStaysStopped)
{
    fake_wave::unplug();
    EXPECT_LT(channels[5].write(block, sizeof block), 0);
    EXPECT_LT(channels[6].write(block, sizeof block), 0);
    loop.runUntilIdle();
    EXPECT_TRUE(sound.isRecovering());
    EXPECT_EQ(notices, std::vector{SOUND_LOST});

    fake_wave::plugIn();
    advance(SoundDevices::RETRY_PERIOD_MS);
    EXPECT_FALSE(sound.isRecovering());
    EXPECT_TRUE(allWorking());
    EXPECT_TRUE(capture.isStopped());
    EXPECT_FALSE(fake_wave::inputStarted());
    EXPECT_EQ(writeToEveryChannel(), 0);
    EXPECT_GE(fake_wave::bytesPlayed(), SLOT_COUNT * sizeof block);
    EXPECT_EQ(notices, (std::vector{SOUND_LOST, SOUND_BACK}));
}

}  // namespace
