// The participant worker on the test sound server, against a test socket playing the relay.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "conference/connect_settings.h"
#include "conference/worker_events.h"
#include "net/wire_protocol.h"
#include "resources/control_ids.h"
#include "shell/participant_worker.h"
#include "tests/support/udp_peer.h"

namespace {

// Records every window update as one line, as the console host prints them.
class RecordingView final : public MainWindowView {
public:
    void title(const char* text) override { record(std::string("title ") + text); }
    void controlText(int id, const char* text) override { record("text " + std::to_string(id) + " " + text); }
    void meter(int, int) override {}
    void warning(const char* text, const char* caption) override
    {
        record(std::string("warning ") + caption + "|" + text);
    }

    bool waitFor(const std::string& line)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] {
            for (const std::string& seen : lines_)
                if (seen == line)
                    return true;
            return false;
        });
    }

private:
    void showFatal(const char* text, const char* caption, bool) override
    {
        std::fprintf(stderr, "fatal %s|%s\n", caption, text);
        std::fflush(stderr);
        std::_Exit(0);
    }

    void record(std::string line)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(std::move(line));
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
};

ConnectSettings settingsFor(const char* nickname, int port)
{
    ConnectSettings settings{};
    std::strcpy(settings.nickname, nickname);
    std::strcpy(settings.remoteHost, "127.0.0.1");
    settings.remotePort = port;
    return settings;
}

TEST(ParticipantWorker, JoinsThroughTheWorkerAndLeavesOnShutdown)
{
    UdpPeer server("127.0.0.1");
    ASSERT_TRUE(server.isBound());
    RecordingView recorder;
    ParticipantWorker worker(recorder);
    worker.start();
    ConnectSettings settings = settingsFor("worker", server.port());
    ASSERT_TRUE(worker.post(WM_WORKER_CONNECT, 0, reinterpret_cast<intptr_t>(&settings)));

    ReceivedDatagram join;
    ASSERT_TRUE(server.receive(join));
    ASSERT_EQ(join.bytes.size(), HEADER_SIZE + NICKNAME_SIZE);
    EXPECT_EQ(join.code(), MSG_JOIN);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(join.bytes.data() + HEADER_SIZE)), "worker");
    const uint32_t key = join.sessionKey();

    Bytes roster(ROSTER_SIZE, 0);
    std::memcpy(roster.data() + 3 * NICKNAME_SIZE, "worker", 6);
    server.sendTo(join.sender, wireDatagram(key, wireCode(3, MSG_WELCOME), roster));
    EXPECT_TRUE(recorder.waitFor("title Kovaro- 接続済"));
    EXPECT_TRUE(recorder.waitFor("text " + std::to_string(IDC_SLOT_NAME_BASE + 3) + " worker"));

    // A command id the worker does not know changes nothing; the worker goes on serving.
    ASSERT_TRUE(worker.post(WM_COMMAND, 0x9999, 0x10001));
    ASSERT_TRUE(worker.post(WM_COMMAND, CMD_MUTE_SLOT, 0x1FFFF));

    EXPECT_TRUE(worker.shutdown());
    // Voice from the running capture may come first; the leave must follow.
    bool left = false;
    ReceivedDatagram datagram;
    while (!left && server.receive(datagram)) {
        if (datagram.code() == MSG_LEAVE) {
            EXPECT_EQ(datagram.bytes.size(), HEADER_SIZE);
            EXPECT_EQ(datagram.sessionKey(), key);
            left = true;
        }
    }
    EXPECT_TRUE(left);
}

TEST(ParticipantWorkerDeathTest, WatchdogEndsAProcessThatOutlivesTheShutdown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RecordingView recorder;
            ParticipantWorker worker(recorder);
            worker.start();
            worker.shutdown();
            std::this_thread::sleep_for(std::chrono::seconds(20));
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(0), "fatal \\|プログラミングが下手糞でごめんなさいorz");
}

TEST(ParticipantWorkerDeathTest, WithoutASoundServerTheInputDeviceBoxEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("PULSE_SERVER", "unix:/nonexistent/kovaro/native", 1);
            RecordingView recorder;
            ParticipantWorker worker(recorder);
            worker.start();
            std::this_thread::sleep_for(std::chrono::seconds(20));
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(0), "fatal Error: オーディオ入力デバイスが開けません。\\|Connection refused");
}

}
