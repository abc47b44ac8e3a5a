#pragma once
// Fixture of the kovaro-relay tests: a fresh kovaro-relay on a free UDP port for every test,
// test participants on loopback addresses, and checks of the exact datagrams they receive.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/relay_host_process.h"
#include "tests/support/udp_peer.h"

// How long the tests listen before they conclude that nothing was sent.
constexpr int QUIET_PERIOD_MS = 250;

extern const std::string RECEIVE_FAILURE_LINE;

// Distinct keys with high bits set, so that sign or byte-order slips show.
uint32_t sessionKeyFor(int index);

class RelayHostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A participant on ipv4 (127.0.0.N) with an ephemeral port, or the given one.
    KeyedPeer participant(const std::string& ipv4, uint32_t key, uint16_t port = 0);
    void send(const KeyedPeer& from, uint32_t code, const Bytes& payload = {}) const;
    void sendRaw(const KeyedPeer& from, const Bytes& bytes) const;

    // The next datagram at the participant is exactly the expected one.
    ::testing::AssertionResult receivedNext(KeyedPeer& at, const Bytes& expected) const;
    // Nothing is waiting at the participant (call after waitQuietPeriod()).
    ::testing::AssertionResult nothingWaiting(KeyedPeer& at) const;
    void waitQuietPeriod() const;
    void expectAllQuiet(std::initializer_list<KeyedPeer*> participants) const;

    // Sends MSG_JOIN and checks the two answers: the own MSG_PEER_NAME, then MSG_WELCOME
    // with the roster, which the caller's model must already hold with the new name.
    ::testing::AssertionResult admitted(KeyedPeer& joiner, const Bytes& nickname, uint32_t slot,
                                        const WireRoster& roster) const;

    // Admits one participant per name, in slot order, each on an address of its own
    // (127.0.0.2, .3, ...); checks every announcement on the way and fills the roster model.
    std::vector<KeyedPeer> admitAll(const std::vector<std::string>& names, WireRoster& roster);

    // Stops the relay with the signal; returns its wait status (see RelayHostProcess::stop).
    int stopRelay(int signal);

    // More arguments for the relay, set before SetUp.
    std::vector<std::string> relayOptions;
    RelayHostProcess relay;
    uint16_t relayPort = 0;

private:
    std::string stderrPath_;
    bool stoppedByTest_ = false;
};
