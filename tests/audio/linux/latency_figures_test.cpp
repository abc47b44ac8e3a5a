// Latency figures, printed rather than asserted (the machines are shared and noisy):
//   write -> output: a probe block written to a channel fed at the voice pace, until it is
//                    read back from the output's monitor by parec (its 10 ms buffer included);
//   mouth -> worker: the same into the virtual microphone, until the capture posts the
//                    buffer that holds the probe's first sample.
// The tests check that every probe arrived and that the voice pace never overfills a channel.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/pcm_format.h"
#include "audio/playback_channel.h"
#include "conference/worker_events.h"
#include "platform/event_loop.h"
#include "pulse_tools.h"
#include "tests/audio/sound_server_tools.h"
#include "tests/support/scratch_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int TRIALS = 6;
constexpr int LOUD = 4000;

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void printFigures(const char* what, std::vector<double> figures)
{
    std::sort(figures.begin(), figures.end());
    std::printf("[latency] %s: min %.1f ms, median %.1f ms, max %.1f ms (%zu probes)\n", what, figures.front(),
                figures[figures.size() / 2], figures.back(), figures.size());
}

class LatencyFigures : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_EQ(audio.connect("Kovaro"), 0) << "no sound server: run under ctest (fixture pulse)";
        makeVoiceFormat(format);
    }

    ScratchFolder folder;
    AudioSystem audio;
    PcmFormat format{};
    const std::vector<int16_t> probe = squareWave(500);
};

// Writes a block to a channel every 62.5 ms, as the worker does with received voice: silence,
// and every eighth block the loud probe. Between blocks it calls poll(), which returns true
// once the probe has been noticed.
template <typename Poll>
std::vector<double> probeAtVoicePace(PlaybackChannel& channel, const std::vector<int16_t>& probe, Poll poll)
{
    const std::vector<int16_t> quiet = silence(500);
    std::vector<double> figures;
    Clock::time_point written;
    bool waiting = false;
    auto due = Clock::now();
    const auto giveUp = due + std::chrono::seconds(30);
    for (int block = 1; static_cast<int>(figures.size()) < TRIALS && Clock::now() < giveUp;) {
        if (Clock::now() >= due) {
            const bool sendProbe = !waiting && block % 8 == 0;
            channel.write(reinterpret_cast<const uint8_t*>((sendProbe ? probe : quiet).data()),
                          PlaybackChannel::BLOCK_BYTES);
            if (sendProbe) {
                written = Clock::now();
                waiting = true;
            }
            due += std::chrono::microseconds(62500);
            ++block;
        }
        double figure = 0.0;
        if (poll(waiting, written, figure) && waiting) {
            figures.push_back(figure);
            waiting = false;
        }
        pause(1);
    }
    return figures;
}

// True when a chunk waiting on fd holds a loud sample.
bool chunkIsLoud(int fd)
{
    int16_t samples[512];
    bool loud = false;
    ssize_t count;
    while ((count = read(fd, samples, sizeof samples)) > 0) {
        for (size_t i = 0; i < static_cast<size_t>(count) / 2; ++i)
            loud = loud || std::abs(static_cast<int>(samples[i])) > LOUD;
    }
    return loud;
}

TEST_F(LatencyFigures, WriteToOutput)
{
    const std::string fifo = folder.file("out.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ChildProgram recorder;
    ASSERT_TRUE(startRecorder(recorder, OUTPUT_MONITOR, fifo));
    PlaybackChannel channel;
    ASSERT_EQ(channel.open(audio, nullptr, format, 0), 0);

    std::vector<double> queued;
    const std::vector<double> figures =
        probeAtVoicePace(channel, probe, [&](bool waiting, Clock::time_point written, double& figure) {
            queued.push_back(channel.queuedBytes() / 16.0);
            const bool loud = chunkIsLoud(fd);
            if (loud && waiting)
                figure = millisecondsBetween(written, Clock::now());
            return loud;
        });
    recorder.stop(SIGTERM);
    close(fd);
    EXPECT_EQ(figures.size(), static_cast<size_t>(TRIALS));
    ASSERT_FALSE(figures.empty());
    printFigures("write -> output monitor, read by parec (10 ms buffer included)", figures);
    printFigures("audio queued in the channel at the voice pace", queued);
    EXPECT_EQ(channel.droppedWrites(), 0u);
}

struct CaptureProbe final : EventHandler {
    explicit CaptureProbe(CaptureDevice* probed) : capture(probed) {}

    void handleEvent(uint32_t message, uintptr_t, intptr_t lParam) override
    {
        if (message != MM_WIM_DATA)
            return;
        const int index = static_cast<int>(lParam);
        if (!heard && capture->bytesRecorded(index) == CaptureDevice::BUFFER_BYTES) {
            const std::vector<int16_t> samples = samplesOf(capture->buffer(index), CaptureDevice::BUFFER_BYTES);
            for (size_t i = 0; i < samples.size() && !heard; ++i) {
                if (std::abs(static_cast<int>(samples[i])) > LOUD) {
                    heard = true;
                    heardAt = Clock::now();
                    onsetByte = static_cast<int>(2 * i);
                }
            }
        }
        capture->recycle(index);
    }

    CaptureDevice* capture;
    bool heard = false;
    Clock::time_point heardAt{};
    int onsetByte = 0;
};

TEST_F(LatencyFigures, MouthToWorker)
{
    // A second connection whose default output is the microphone's feed sink speaks.
    AudioSystem mouthSide;
    setenv("PULSE_SINK", "test_mic_feed", 1);
    const int connected = mouthSide.connect("Kovaro probe");
    unsetenv("PULSE_SINK");
    ASSERT_EQ(connected, 0);
    PlaybackChannel mouth;
    ASSERT_EQ(mouth.open(mouthSide, nullptr, format, 0), 0);

    EventLoop loop;
    CaptureDevice capture;
    CaptureProbe probeState{&capture};
    loop.setHandler(probeState);
    ASSERT_EQ(capture.open(audio, &loop, format), 0);
    ASSERT_EQ(capture.start(), 0);

    std::vector<double> beyondFill;
    const std::vector<double> totals =
        probeAtVoicePace(mouth, probe, [&](bool waiting, Clock::time_point written, double& figure) {
            loop.runUntilIdle();
            if (!probeState.heard)
                return false;
            probeState.heard = false;
            if (!waiting)
                return false;
            figure = millisecondsBetween(written, probeState.heardAt);
            // A buffer is posted only when full: the rest of it after the onset is a wait
            // that no buffering choice removes.
            beyondFill.push_back(figure - (CaptureDevice::BUFFER_BYTES - probeState.onsetByte) / 16.0);
            return true;
        });
    capture.close();
    mouth.close();
    EXPECT_EQ(totals.size(), static_cast<size_t>(TRIALS));
    ASSERT_FALSE(totals.empty());
    printFigures("mouth -> worker (channel into the microphone until its buffer is posted)", totals);
    printFigures("  the same less the wait for the buffer to fill", beyondFill);
}

}  // namespace
