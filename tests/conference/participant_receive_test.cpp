// What the participant makes of the server's datagrams, the refusal, the keep-alive and the
// loss of the server, against a raw socket playing the server.

#include <string>
#include <vector>

#include "conference/worker_events.h"
#include "resources/control_ids.h"
#include "tests/conference/participant_harness.h"

using ReceiveTest = FakeServerHarness;
using LivenessTest = FakeServerHarness;

static const std::string LOSS_BOX = "さばかんしました。 | あるえ";

// A frame the checked decoder accepts, with the given level byte.
static Bytes voiceFrame(uint8_t level)
{
    Bytes frame = wireVoiceFrame(level);
    frame[2] = 30;
    frame[3] = level;
    return frame;
}

TEST_F(ReceiveTest, TheWelcomeShowsTheRosterResetsTheCoderAndEndsTheJoinRetry)
{
    connectAndTakeJoin();
    WireRoster roster;
    roster.entries[0] = Bytes{0x82, 0xbd, 0x82, 0xeb, 0x82, 0xa4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // たろう
    roster.entries[3] = wireNickname("ABCDEFGHIJKLMNOP");
    // A freed slot: first byte 0, the former name's other bytes still there.
    roster.entries[5] = wireNickname("xbob");
    roster.entries[5][0] = 0;
    coder.predictor = 1234;
    coder.stepIndex = 40;

    sendToParticipant(wireCode(2, TYPE_WELCOME), roster.bytes());

    EXPECT_EQ(recorder.lastTitle(), "Kovaro- 接続済");
    EXPECT_FALSE(loop.isTimerRunning(TIMER_JOIN_RETRY));
    EXPECT_TRUE(loop.isTimerRunning(TIMER_KEEPALIVE));
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE + 0], "たろう");
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE + 3], "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE + 5], "");
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE + 15], "");
    EXPECT_EQ(coder.predictor, 0);
    EXPECT_EQ(coder.stepIndex, 0);

    tick(4);
    std::vector<ReceivedDatagram> sent = fakeServer.drain(4);
    ASSERT_EQ(sent.size(), 4u) << "pings only, no further join";
    for (const ReceivedDatagram& ping : sent)
        EXPECT_EQ(ping.bytes, wireDatagram(key, wireCode(0, TYPE_PING)));
}

TEST_F(ReceiveTest, NamesComeAndGoWhileTheMetersFollowTheVoiceFrames)
{
    connectAndTakeJoin();
    welcome();

    sendToParticipant(wireCode(7, TYPE_PEER_NAME), wireNickname("dave"));
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE + 7], "dave");
    sendToParticipant(wireCode(7, TYPE_VOICE_RELAY), voiceFrame(55));
    EXPECT_EQ(recorder.meters[IDC_SLOT_METER_BASE + 7], 55);

    const size_t callsBefore = recorder.calls.size();
    sendToParticipant(wireCode(7, TYPE_PEER_LEFT));
    EXPECT_EQ(recorder.calls.size(), callsBefore + 1);
    EXPECT_EQ(recorder.calls.back(), "text " + std::to_string(IDC_SLOT_NAME_BASE + 7) + " ");
    EXPECT_EQ(recorder.meters[IDC_SLOT_METER_BASE + 7], 55) << "the meter keeps its last value";

    // The server's other types, and the reserved roster message, change nothing.
    for (uint8_t type : {TYPE_PONG, TYPE_ROSTER, TYPE_JOIN, uint8_t{200}})
        sendToParticipant(wireCode(1, type), WireRoster().bytes());
    EXPECT_EQ(recorder.calls.size(), callsBefore + 1);
    EXPECT_EQ(debugLines, "");
}

TEST_F(ReceiveTest, MessagesTooShortForTheirTypeChangeNothing)
{
    connectAndTakeJoin();
    Bytes shortRoster = WireRoster().bytes();
    shortRoster.pop_back();
    const size_t callsBefore = recorder.calls.size();

    sendToParticipant(wireCode(0, TYPE_WELCOME), shortRoster);
    sendToParticipant(wireCode(2, TYPE_PEER_NAME), Bytes(15, 'x'));
    Bytes shortFrame = voiceFrame(60);
    shortFrame.pop_back();
    sendToParticipant(wireCode(2, TYPE_VOICE_RELAY), shortFrame);

    EXPECT_EQ(recorder.calls.size(), callsBefore);
    EXPECT_TRUE(loop.isTimerRunning(TIMER_JOIN_RETRY)) << "not welcomed";
    EXPECT_EQ(debugLines, "");
}

TEST_F(ReceiveTest, DatagramsThatAreNotTheServersAreDroppedWithTheirDebugLine)
{
    connectAndTakeJoin();
    const size_t callsBefore = recorder.calls.size();
    UdpPeer otherAddress("127.0.0.2");

    std::string expected;
    sendToParticipant(fakeServer, wireDatagram(key + 1, wireCode(0, TYPE_WELCOME), WireRoster().bytes()));
    expected += "client ゴミpkt受信\n";
    // Under Wine every loopback peer sends from 127.0.0.1, the server's own address.
    if (loopbackSendersAreDistinct()) {
        sendToParticipant(otherAddress, wireDatagram(key, wireCode(0, TYPE_WELCOME), WireRoster().bytes()));
        expected += "client ゴミpkt受信\n";
    }
    sendToParticipant(fakeServer, datagramBytes(0x58554F51, key, wireCode(0, TYPE_WELCOME), WireRoster().bytes()));
    sendToParticipant(fakeServer, Bytes{'Q', 'U', 'O', 'X'});
    expected += "client ゴミpkt受信\nclient ゴミpkt受信\n";
    EXPECT_EQ(debugLines, expected);
    debugLines.clear();

    Bytes oversized = wireDatagram(key, wireCode(0, TYPE_WELCOME), Bytes(1013, 0));
    sendToParticipant(fakeServer, oversized);
    EXPECT_EQ(debugLines, "client Recv失敗\n");
    EXPECT_EQ(recorder.calls.size(), callsBefore);
}

TEST_F(ReceiveTest, TheServersAddressFromAnotherPortIsTheServer)
{
    connectAndTakeJoin();
    UdpPeer otherPort("127.0.0.1");
    sendToParticipant(otherPort, wireDatagram(key, wireCode(0, TYPE_WELCOME), WireRoster().bytes()));
    EXPECT_EQ(recorder.lastTitle(), "Kovaro- 接続済");
    EXPECT_EQ(debugLines, "");
}

TEST_F(ReceiveTest, SocketErrorsAndNotificationsWithoutASocketOnlyLeaveDebugLines)
{
    connectAndTakeJoin();
    participant.HandleClientSocket(static_cast<intptr_t>(FD_READ | 10054u << 16));
    EXPECT_EQ(debugLines, "client ソケットエラー\n");
    debugLines.clear();

    participant.leave();
    ReceivedDatagram leave;
    ASSERT_TRUE(fakeServer.receive(leave));
    EXPECT_EQ(leave.bytes, wireDatagram(key, wireCode(0, TYPE_LEAVE)));
    participant.HandleClientSocket(FD_READ);
    EXPECT_EQ(debugLines, "client Recv失敗\n");
}

TEST_F(LivenessTest, AServerThatNeverAnswersIsLostAtTheFifthTickAfterThreeJoins)
{
    connectAndTakeJoin();
    tick(4);
    EXPECT_TRUE(recorder.warnings().empty());
    tick();
    EXPECT_EQ(recorder.warnings(), std::vector<std::string>{LOSS_BOX});
    EXPECT_EQ(recorder.lastTitle(), "Kovaro- 切断");
    EXPECT_FALSE(participant.link.isOpen());
    EXPECT_FALSE(loop.isTimerRunning(TIMER_KEEPALIVE));

    int joins = 1;
    int pings = 0;
    for (const ReceivedDatagram& sent : fakeServer.drain(7)) {
        joins += codeType(sent.code()) == TYPE_JOIN;
        pings += codeType(sent.code()) == TYPE_PING;
    }
    EXPECT_EQ(joins, 3);
    EXPECT_EQ(pings, 5);

    tick(3);
    EXPECT_EQ(recorder.warnings().size(), 1u);
    EXPECT_TRUE(fakeServer.staysSilent()) << "the join retry still ticks but sends nothing";
}

TEST_F(LivenessTest, EveryAcceptedDatagramRestartsTheCountdownAndNoOtherDoes)
{
    if (!loopbackSendersAreDistinct())
        GTEST_SKIP() << "every loopback peer sends from the server's address here (Wine)";
    connectAndTakeJoin();
    welcome();
    UdpPeer otherAddress("127.0.0.2");
    tick(3);
    // Accepted, though its slot is not one: it still counts as a sign of life.
    sendToParticipant(wireCode(16, TYPE_PEER_NAME), wireNickname("zed"));
    EXPECT_EQ(debugLines, "client fromid異常pkt受信\n");

    for (int second = 0; second < 4; ++second) {
        sendToParticipant(fakeServer, wireDatagram(key ^ 1, wireCode(0, TYPE_PONG)));
        sendToParticipant(otherAddress, wireDatagram(key, wireCode(0, TYPE_PONG)));
        tick();
    }
    EXPECT_TRUE(recorder.warnings().empty());
    tick();
    EXPECT_EQ(recorder.warnings(), std::vector<std::string>{LOSS_BOX});
}

TEST_F(LivenessTest, TheRefusalBoxIsFollowedByTheLossBoxAtTheNextTick)
{
    connectAndTakeJoin();
    tick();
    const size_t callsBefore = recorder.calls.size();
    sendToParticipant(wireCode(0xFF, TYPE_WELCOME));

    EXPECT_EQ(std::vector<std::string>(recorder.calls.begin() + static_cast<long>(callsBefore), recorder.calls.end()),
              (std::vector<std::string>{"title Kovaro- 接続済", "title Kovaro- 切断",
                                        "warning サーバに弾かれました。 | 満室かも？"}));
    EXPECT_FALSE(participant.link.isOpen());
    EXPECT_FALSE(participant.link.IsSessionActive(0));
    EXPECT_FALSE(loop.isTimerRunning(TIMER_JOIN_RETRY));
    EXPECT_TRUE(loop.isTimerRunning(TIMER_KEEPALIVE));

    tick();
    EXPECT_EQ(recorder.warnings().back(), LOSS_BOX);
    EXPECT_EQ(recorder.warnings().size(), 2u);
    EXPECT_FALSE(loop.isTimerRunning(TIMER_KEEPALIVE));
}
