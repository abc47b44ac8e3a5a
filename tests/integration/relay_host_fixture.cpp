#include "tests/integration/relay_host_fixture.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

const std::string RECEIVE_FAILURE_LINE = "Server Recv失敗";

namespace {

constexpr int START_TIMEOUT_MS = 5000;

// KOVARO_RELAY_PROGRAM names another build of the relay (a packaged one), else this build's.
std::string relayProgram()
{
    const char* other = std::getenv("KOVARO_RELAY_PROGRAM");
    return other != nullptr && other[0] != '\0' ? other : std::string(KOVARO_BIN_DIR) + "/kovaro-relay";
}

std::string stderrPathForCurrentTest()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + "relay_host_" + std::to_string(::getpid()) + "_" + test->name() + ".stderr";
}

}

uint32_t sessionKeyFor(int index)
{
    return 0x9E3779B9u * static_cast<uint32_t>(index + 1) | 0x80000001u;
}

void RelayHostTest::SetUp()
{
    if (!std::filesystem::exists(relayProgram()))
        GTEST_SKIP() << relayProgram() << " is not built";
    // A port that was free a moment ago.
    relayPort = UdpPeer("0.0.0.0").port();
    ASSERT_NE(relayPort, 0) << "no free UDP port";
    stderrPath_ = stderrPathForCurrentTest();
    ASSERT_TRUE(relay.start(relayProgram(), relayPort, stderrPath_, relayOptions)) << "cannot start " << relayProgram();
    ASSERT_TRUE(relay.waitUntilServing(START_TIMEOUT_MS))
        << "kovaro-relay does not serve port " << relayPort << "; its standard error:\n"
        << relay.stderrText();
}

void RelayHostTest::TearDown()
{
    if (stderrPath_.empty())
        return;
    if (!stoppedByTest_) {
        EXPECT_TRUE(relay.isRunning()) << "kovaro-relay ended during the test";
        int status = stopRelay(SIGTERM);
        EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "kovaro-relay did not end with exit code 0 on SIGTERM (wait status " << status << ")";
    }
    if (HasFailure())
        std::fprintf(stderr, "kovaro-relay standard error:\n%s\n", relay.stderrText().c_str());
    std::filesystem::remove(stderrPath_);
}

int RelayHostTest::stopRelay(int signal)
{
    stoppedByTest_ = true;
    return relay.stop(signal);
}

KeyedPeer RelayHostTest::participant(const std::string& ipv4, uint32_t key, uint16_t port)
{
    KeyedPeer created(ipv4, key, port);
    EXPECT_TRUE(created.socket.isBound()) << "cannot bind " << ipv4 << ":" << port;
    return created;
}

void RelayHostTest::send(const KeyedPeer& from, uint32_t code, const Bytes& payload) const
{
    EXPECT_TRUE(from.send(relayPort, code, payload))
        << "cannot send " << WIRE_HEADER_BYTES + payload.size() << " bytes";
}

void RelayHostTest::sendRaw(const KeyedPeer& from, const Bytes& bytes) const
{
    EXPECT_TRUE(from.sendRaw(relayPort, bytes)) << "cannot send " << bytes.size() << " bytes";
}

::testing::AssertionResult RelayHostTest::receivedNext(KeyedPeer& at, const Bytes& expected) const
{
    ReceivedDatagram got;
    if (!at.socket.receive(got, ARRIVAL_TIMEOUT_MS))
        return ::testing::AssertionFailure() << "nothing arrived at " << at.socket.ipv4() << ":" << at.socket.port()
                                             << ", expected " << expected.size() << " bytes: " << hexBytes(expected);
    if (got.bytes != expected)
        return ::testing::AssertionFailure() << "at " << at.socket.ipv4() << ":" << at.socket.port() << "\n  got      "
                                             << got.bytes.size() << " bytes: " << hexBytes(got.bytes) << "\n  expected "
                                             << expected.size() << " bytes: " << hexBytes(expected);
    if (got.senderPort() != relayPort)
        return ::testing::AssertionFailure()
               << "datagram came from port " << got.senderPort() << ", not from the relay's port " << relayPort;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult RelayHostTest::nothingWaiting(KeyedPeer& at) const
{
    std::vector<ReceivedDatagram> waiting = at.socket.drain();
    if (waiting.empty())
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << waiting.size() << " unexpected datagram(s) at " << at.socket.ipv4() << ":" << at.socket.port();
    for (const ReceivedDatagram& datagram : waiting)
        failure << "\n  " << datagram.bytes.size() << " bytes: " << hexBytes(datagram.bytes);
    return failure;
}

void RelayHostTest::waitQuietPeriod() const
{
    std::this_thread::sleep_for(std::chrono::milliseconds(QUIET_PERIOD_MS));
}

void RelayHostTest::expectAllQuiet(std::initializer_list<KeyedPeer*> participants) const
{
    waitQuietPeriod();
    for (KeyedPeer* each : participants)
        EXPECT_TRUE(nothingWaiting(*each));
}

::testing::AssertionResult RelayHostTest::admitted(KeyedPeer& joiner, const Bytes& nickname, uint32_t slot,
                                                   const WireRoster& roster) const
{
    send(joiner, wireCode(0, TYPE_JOIN), nickname);
    ::testing::AssertionResult ownName =
        receivedNext(joiner, wireDatagram(joiner.key, wireCode(slot, TYPE_PEER_NAME), nickname));
    if (!ownName)
        return ownName << "\n  (own MSG_PEER_NAME of the joiner for slot " << slot << ")";
    ::testing::AssertionResult welcome =
        receivedNext(joiner, wireDatagram(joiner.key, wireCode(slot, TYPE_WELCOME), roster.bytes()));
    if (!welcome)
        return welcome << "\n  (MSG_WELCOME of the joiner for slot " << slot << ")";
    return ::testing::AssertionSuccess();
}

std::vector<KeyedPeer> RelayHostTest::admitAll(const std::vector<std::string>& names, WireRoster& roster)
{
    std::vector<KeyedPeer> all;
    for (size_t slot = 0; slot < names.size(); ++slot) {
        const uint32_t wireSlot = static_cast<uint32_t>(slot);
        all.push_back(participant("127.0.0." + std::to_string(2 + slot), sessionKeyFor(static_cast<int>(slot))));
        roster.entries[slot] = wireNickname(names[slot]);
        EXPECT_TRUE(admitted(all.back(), roster.entries[slot], wireSlot, roster));
        for (size_t earlier = 0; earlier < slot; ++earlier) {
            KeyedPeer& hearer = all[earlier];
            EXPECT_TRUE(receivedNext(
                hearer, wireDatagram(hearer.key, wireCode(wireSlot, TYPE_PEER_NAME), roster.entries[slot])));
        }
    }
    return all;
}
