#include "tests/conference/participant_harness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "conference/conference_events.h"
#include "conference/worker_events.h"

void RecordingView::title(const char* text)
{
    calls.push_back(std::string("title ") + text);
}

void RecordingView::controlText(int controlId, const char* text)
{
    calls.push_back("text " + std::to_string(controlId) + " " + text);
    texts[controlId] = text;
}

void RecordingView::meter(int controlId, int position)
{
    calls.push_back("meter " + std::to_string(controlId) + " " + std::to_string(position));
    meters[controlId] = position;
}

void RecordingView::warning(const char* text, const char* caption)
{
    calls.push_back(std::string("warning ") + text + " | " + caption);
}

void RecordingView::showFatal(const char* text, const char* caption, bool)
{
    // The process must not end as if the test had passed.
    std::fprintf(stderr, "fatal box: %s: %s\n", caption, text);
    std::abort();
}

std::string RecordingView::lastTitle() const
{
    const std::vector<std::string> all = titles();
    return all.empty() ? std::string() : all.back();
}

std::vector<std::string> RecordingView::linesStartingWith(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call.substr(prefix.size()));
    }
    return found;
}

ConnectSettings connectSettings(const char* host, int remotePort, int serverMode, int localPort, const char* nickname)
{
    ConnectSettings record{};
    // A text as long as its field fills it without a zero byte.
    std::memcpy(record.nickname, nickname, std::min(std::strlen(nickname), sizeof record.nickname));
    std::memcpy(record.remoteHost, host, std::min(std::strlen(host), sizeof record.remoteHost));
    record.serverMode = serverMode;
    record.remotePort = remotePort;
    record.localPort = localPort;
    return record;
}

int unusedUdpPort()
{
    UdpPeer probe("0.0.0.0");
    return probe.port();
}

Bytes loudPcmBlock()
{
    Bytes pcm;
    for (int i = 0; i < 500; ++i) {
        const auto sample = static_cast<int16_t>(std::lround(20000.0 * std::sin(i * 0.3)));
        const auto bits = static_cast<uint16_t>(sample);
        pcm.push_back(static_cast<uint8_t>(bits));
        pcm.push_back(static_cast<uint8_t>(bits >> 8));
    }
    return pcm;
}

void ParticipantHarness::SetUp()
{
    ASSERT_TRUE(loop.isValid());
    loop.setClock(clock);
    loop.setHandler(*this);
    setDebugSink(this);
}

void ParticipantHarness::TearDown()
{
    setDebugSink(nullptr);
}

void ParticipantHarness::handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    dispatchConferenceEvent(participant, server, message, wParam, lParam);
}

void ParticipantHarness::connect(const ConnectSettings& record)
{
    sharedRecord = record;
    ASSERT_TRUE(loop.post(WM_WORKER_CONNECT, 0, reinterpret_cast<intptr_t>(&sharedRecord)));
    settle();
}

void ParticipantHarness::tick(int seconds)
{
    for (int i = 0; i < seconds; ++i) {
        clock.advance(TICK_MS);
        settle();
    }
}

void FakeServerHarness::SetUp()
{
    ParticipantHarness::SetUp();
    ASSERT_TRUE(fakeServer.isBound());
}

void FakeServerHarness::connectAndTakeJoin(const char* nickname)
{
    connect(connectSettings("127.0.0.1", fakeServer.port(), 0, 0, nickname));
    ASSERT_TRUE(fakeServer.receive(join));
    ASSERT_EQ(join.code(), wireCode(0, TYPE_JOIN));
    key = join.sessionKey();
}

void FakeServerHarness::sendToParticipant(uint32_t code, const Bytes& payload)
{
    sendToParticipant(fakeServer, wireDatagram(key, code, payload));
}

void FakeServerHarness::sendToParticipant(const UdpPeer& from, const Bytes& datagram)
{
    ASSERT_EQ(from.sendTo(join.sender, datagram), static_cast<ssize_t>(datagram.size()));
    settle();
}

void FakeServerHarness::welcome()
{
    sendToParticipant(wireCode(0, TYPE_WELCOME), WireRoster().bytes());
}
