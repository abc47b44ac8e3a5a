#pragma once
// A relay server on an ephemeral loopback port, driven one notification at a time,
// with its diagnostic lines captured.

#include <gtest/gtest.h>

#include <string>

#include "conference/relay_server.h"
#include "conference/worker_events.h"
#include "platform/debug_output.h"
#include "platform/event_loop.h"
#include "tests/support/udp_peer.h"

class RelayServerFixture : public ::testing::Test, private DebugSink {
protected:
    void SetUp() override
    {
        ASSERT_EQ(server.Open(nullptr, 0), 0);
        port = server.localPort();
        setDebugSink(this);
    }
    void TearDown() override { setDebugSink(nullptr); }

    // Handles the datagram a peer has just sent.
    void handleNext()
    {
        ASSERT_TRUE(waitReadable(server.handle()));
        server.HandleServerSocket(FD_READ);
    }

    void join(const KeyedPeer& peer, const char* nickname)
    {
        peer.send(port, MSG_JOIN, wireNickname(nickname));
        handleNext();
    }

    void ping(const KeyedPeer& peer)
    {
        peer.send(port, MSG_PING);
        handleNext();
    }

    RelayServer server;
    int port = 0;
    std::string debugLines;

private:
    void writeLine(const char* text) override { debugLines += text; }
};
