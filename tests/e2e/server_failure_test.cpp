// A participant-host whose relay dies, and one that a full relay refuses: the titles and
// boxes it shows, and when.

#include <signal.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <thread>

#include "tests/e2e/conference_processes.h"
#include "tests/e2e/end_to_end_fixture.h"
#include "tests/support/udp_peer.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
// The loss is declared at the fifth keep-alive tick without a datagram: 4 to 5 s after the
// last one. The bounds are wide because the machine may be busy; they still tell a loss
// at the fifth tick from one at the first or a missing one.
constexpr auto LOSS_EARLIEST = std::chrono::milliseconds(3000);
constexpr auto LOSS_LATEST = std::chrono::milliseconds(8000);
constexpr int LOSS_TIMEOUT_MS = 12000;
// The refusal leaves the keep-alive running; its next tick, within a second, finds no server.
constexpr auto REFUSAL_TO_LOSS_LATEST = std::chrono::milliseconds(2500);
constexpr int PING_PERIOD_MS = 500;

TestClock::time_point arrivalOf(const ParticipantHost& host, int index)
{
    return host.process.lines()[static_cast<size_t>(index)].arrival;
}

// Sixteen test participants that hold every slot of a relay and ping it until destroyed.
class FullHouse {
public:
    bool fill(uint16_t relayPort)
    {
        port_ = relayPort;
        for (uint32_t i = 0; i < WIRE_SLOTS; ++i) {
            peers_.push_back(std::make_unique<KeyedPeer>("127.0.0.1", 0x5EA70000u + i));
            if (!peers_.back()->socket.isBound() || !admitted(*peers_.back(), i))
                return false;
        }
        pinger_ = std::thread([this] { keepPinging(); });
        return true;
    }

    ~FullHouse()
    {
        stop_ = true;
        if (pinger_.joinable())
            pinger_.join();
    }

private:
    bool admitted(const KeyedPeer& peer, uint32_t index) const
    {
        const Bytes name = wireNickname("filler" + std::to_string(index));
        if (!peer.send(port_, wireCode(0, TYPE_JOIN), name))
            return false;
        ReceivedDatagram datagram;
        while (peer.socket.receive(datagram))
            if ((datagram.code() & 0xFF) == TYPE_WELCOME)
                return datagram.code() >> 8 == index;
        return false;
    }

    void keepPinging()
    {
        while (!stop_) {
            for (const auto& peer : peers_)
                peer->send(port_, wireCode(0, TYPE_PING));
            std::this_thread::sleep_for(std::chrono::milliseconds(PING_PERIOD_MS));
        }
    }

    int port_ = 0;
    std::vector<std::unique_ptr<KeyedPeer>> peers_;
    std::thread pinger_;
    std::atomic<bool> stop_{false};
};

}

TEST_F(EndToEndTest, LossOfTheRelayIsDeclaredFourToFiveSecondsAfterItsLastDatagram)
{
    NullSink sink;
    loadSink(sink, "audio");
    ASSERT_FALSE(HasFailure());
    RelayHost relay;
    ASSERT_TRUE(relay.start(freeUdpPort(), path("relay.stderr")));
    ParticipantHost host;
    ASSERT_TRUE(host.start("alone", relay.port(), {}, audioEnvironment(sink, sink), path("host.stderr")));
    const int joined = host.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS);
    ASSERT_GE(joined, 0) << host.transcript();
    // Its own (silent) voice comes back sixteen times a second: one meter line per frame.
    const int slot = host.waitForSlotOf("alone", JOIN_TIMEOUT_MS);
    ASSERT_GE(slot, 0) << host.transcript();
    const std::string ownSlotMeter = "meter " + std::to_string(SLOT_METER_BASE + slot);
    ASSERT_GE(host.process.waitForLine(ownSlotMeter + " 0", JOIN_TIMEOUT_MS, static_cast<size_t>(joined)), 0)
        << host.transcript();

    relay.stop(SIGKILL);
    const TestClock::time_point killed = TestClock::now();
    ASSERT_FALSE(host.meterPositions(OWN_METER, arrivalOf(host, joined), killed).empty())
        << "the capture runs once joined";
    const int title = host.waitFor(TITLE_DISCONNECTED, LOSS_TIMEOUT_MS, static_cast<size_t>(joined));
    ASSERT_GE(title, 0) << host.transcript();
    const int box = host.waitFor(LOSS_BOX, 1000, static_cast<size_t>(title));
    ASSERT_EQ(box, title + 1) << host.transcript();

    // The last relayed frame is the last datagram the participant accepted.
    TestClock::time_point lastDatagram = killed;
    const std::vector<TimedLine> lines = host.process.lines();
    for (int i = joined; i < title; ++i)
        if (lines[static_cast<size_t>(i)].text.rfind(ownSlotMeter + " ", 0) == 0)
            lastDatagram = lines[static_cast<size_t>(i)].arrival;
    EXPECT_LE(lastDatagram, killed + std::chrono::milliseconds(500)) << "frames came after the relay was killed";
    const auto lossAfter = arrivalOf(host, title) - lastDatagram;
    EXPECT_GE(lossAfter, LOSS_EARLIEST);
    EXPECT_LE(lossAfter, LOSS_LATEST);
    std::cout << "loss declared " << std::chrono::duration_cast<std::chrono::milliseconds>(lossAfter).count()
              << " ms after the last datagram\n";

    // The capture stops with the loss: no own meter update a moment later.
    pause(500);
    const TestClock::time_point quietFrom = TestClock::now();
    pause(1000);
    EXPECT_TRUE(host.meterPositions(OWN_METER, quietFrom, TestClock::now()).empty());
    EXPECT_TRUE(host.process.isRunning()) << "a lost server leaves the program running";
}

TEST_F(EndToEndTest, AFullRelayRefusesTheJoinAndTheLossFollowsWithinASecond)
{
    NullSink sink;
    loadSink(sink, "audio");
    ASSERT_FALSE(HasFailure());
    RelayHost relay;
    ASSERT_TRUE(relay.start(freeUdpPort(), path("relay.stderr")));
    FullHouse house;
    ASSERT_TRUE(house.fill(relay.port()));

    ParticipantHost host;
    ASSERT_TRUE(host.start("late", relay.port(), {}, audioEnvironment(sink, sink), path("host.stderr")));
    const int refusal = host.waitFor(REFUSAL_BOX, JOIN_TIMEOUT_MS);
    ASSERT_GE(refusal, 0) << host.transcript();
    const int loss = host.waitFor(LOSS_BOX, 3000, static_cast<size_t>(refusal));
    ASSERT_GE(loss, 0) << host.transcript();
    EXPECT_LE(arrivalOf(host, loss) - arrivalOf(host, refusal), REFUSAL_TO_LOSS_LATEST);

    // The refusal is taken like a welcome, then the link is closed.
    EXPECT_EQ(host.linesStartingWith("title "),
              (std::vector<std::string>{TITLE_CONNECTING, TITLE_JOINED, TITLE_DISCONNECTED, TITLE_DISCONNECTED}));
    EXPECT_EQ(host.linesStartingWith("warning "), (std::vector<std::string>{REFUSAL_BOX, LOSS_BOX}));
    EXPECT_EQ(host.slotShowing("late"), -1) << "a refused participant gets no slot";
    EXPECT_TRUE(host.process.isRunning());
}
