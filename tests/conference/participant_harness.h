#pragma once
// A participant as the worker runs it: a real event loop on a hand-driven clock, the relay
// server of the same process, unopened audio devices, and a view that records every call.
// One small dispatcher routes the loop's events the way the worker does.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "audio/capture_device.h"
#include "audio/playback_channel.h"
#include "codec/adpcm_codec.h"
#include "conference/connect_settings.h"
#include "conference/mute_flags.h"
#include "conference/participant_link.h"
#include "conference/relay_server.h"
#include "platform/debug_output.h"
#include "platform/event_loop.h"
#include "platform/loop_clock.h"
#include "platform/main_window_view.h"
#include "tests/support/udp_peer.h"

// Every call of the view, in order, as one line each ("title ...", "text <control id> ...",
// "meter <control id> <position>", "warning text | caption"), plus the latest state per control.
class RecordingView final : public MainWindowView {
public:
    void title(const char* text) override;
    void controlText(int controlId, const char* text) override;
    void meter(int controlId, int position) override;
    void warning(const char* text, const char* caption) override;

    std::vector<std::string> calls;
    std::map<int, std::string> texts;
    std::map<int, int> meters;

    std::vector<std::string> titles() const { return linesStartingWith("title "); }
    std::vector<std::string> warnings() const { return linesStartingWith("warning "); }
    std::string lastTitle() const;

private:
    void showFatal(const char* text, const char* caption, bool warningIcon) override;
    std::vector<std::string> linesStartingWith(const std::string& prefix) const;
};

ConnectSettings connectSettings(const char* host, int remotePort, int serverMode = 0, int localPort = 0,
                                const char* nickname = "alice");

// A UDP port nobody holds at the moment of asking.
int unusedUdpPort();

// 500 samples of a loud tone as the capture device would hand them over.
Bytes loudPcmBlock();

class ParticipantHarness : public ::testing::Test, private EventHandler, private DebugSink {
protected:
    static constexpr uint64_t TICK_MS = 1000;

    void SetUp() override;
    void TearDown() override;

    // Posts the connect command and runs the loop until nothing is left to do.
    void connect(const ConnectSettings& record);
    // Moves the clock by whole seconds, letting every timer tick and the loop settle each time.
    void tick(int seconds = 1);
    void settle() { loop.runUntilIdle(); }

    ManualClock clock;
    EventLoop loop;
    RelayServer server;
    CaptureDevice capture;
    PlaybackChannel channels[SLOT_COUNT];
    AdpcmCoder coder;
    MuteFlags mutes;
    RecordingView recorder;
    VoicePlayback playback{loop, channels, mutes, recorder};
    ParticipantLink participant{ParticipantParts{&loop, &server, &capture, channels, &coder, &playback, &recorder}};
    std::string debugLines;
    // The connect command's record stays where the main thread would keep it.
    ConnectSettings sharedRecord{};

private:
    void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void writeLine(const char* text) override { debugLines += text; }
};

// A participant facing a raw socket that plays its relay server on 127.0.0.1.
class FakeServerHarness : public ParticipantHarness {
protected:
    void SetUp() override;

    // Connects to the fake server and takes the MSG_JOIN that arrives there.
    void connectAndTakeJoin(const char* nickname = "alice");
    // Sends a datagram carrying the participant's key from the fake server (or another peer).
    void sendToParticipant(uint32_t code, const Bytes& payload = {});
    void sendToParticipant(const UdpPeer& from, const Bytes& datagram);
    // A welcome for slot 0 with an empty roster, handled.
    void welcome();

    UdpPeer fakeServer{"127.0.0.1"};
    ReceivedDatagram join;
    uint32_t key = 0;
};
