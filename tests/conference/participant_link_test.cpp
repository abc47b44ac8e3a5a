// The connect command: its steps, its failures, and joining the relay server of the same process.

#include <string>
#include <vector>

#include "conference/voice_sending.h"
#include "conference/worker_events.h"
#include "resources/control_ids.h"
#include "tests/conference/participant_harness.h"

using ConnectTest = FakeServerHarness;
using InProcessServerTest = ParticipantHarness;

static const char* const CONNECTING = "Kovaro- 接続中...";
static const char* const SERVING = "Kovaro- サーバ稼働中";
static const char* const JOINED = "Kovaro- 接続済";
static const char* const DISCONNECTED = "Kovaro- 切断";

TEST_F(ConnectTest, ClearsTheWindowThenJoinsWithTheNicknameAndStartsTheLinkTimers)
{
    connectAndTakeJoin("bob");

    std::vector<std::string> expected = {std::string("title ") + CONNECTING};
    for (int slot = 0; slot < 16; ++slot) {
        expected.push_back("meter " + std::to_string(IDC_SLOT_METER_BASE + slot) + " 0");
        expected.push_back("text " + std::to_string(IDC_SLOT_NAME_BASE + slot) + " ");
    }
    expected.push_back("meter " + std::to_string(IDC_SEND_METER) + " 0");
    EXPECT_EQ(recorder.calls, expected);

    EXPECT_EQ(join.bytes, wireDatagram(key, wireCode(0, TYPE_JOIN), wireNickname("bob")));
    EXPECT_TRUE(loop.isTimerRunning(TIMER_KEEPALIVE));
    EXPECT_TRUE(loop.isTimerRunning(TIMER_JOIN_RETRY));
    EXPECT_FALSE(loop.isTimerRunning(TIMER_PEER_SWEEP));
    EXPECT_FALSE(server.isOpen());
    EXPECT_TRUE(fakeServer.staysSilent()) << "no MSG_LEAVE without an earlier server";
}

TEST_F(ConnectTest, AnEmptyHostMeansThisMachine)
{
    connect(connectSettings("", fakeServer.port()));
    ReceivedDatagram received;
    ASSERT_TRUE(fakeServer.receive(received));
    EXPECT_EQ(received.code(), wireCode(0, TYPE_JOIN));
    EXPECT_EQ(recorder.lastTitle(), CONNECTING);
}

TEST_F(ConnectTest, ASecondConnectLeavesTheOldServerAndJoinsTheNewOneUnderANewKey)
{
    connectAndTakeJoin();
    welcome();
    const uint32_t oldKey = key;

    UdpPeer newServer("127.0.0.1");
    connect(connectSettings("127.0.0.1", newServer.port()));

    ReceivedDatagram leave;
    ASSERT_TRUE(fakeServer.receive(leave));
    EXPECT_EQ(leave.bytes, wireDatagram(oldKey, wireCode(0, TYPE_LEAVE)));
    ReceivedDatagram newJoin;
    ASSERT_TRUE(newServer.receive(newJoin));
    EXPECT_EQ(newJoin.code(), wireCode(0, TYPE_JOIN));
    EXPECT_NE(newJoin.sessionKey(), oldKey);

    // From the old server's address with the old key, to the new socket: not this link's server.
    join = newJoin;
    sendToParticipant(fakeServer, wireDatagram(oldKey, wireCode(0, TYPE_PONG)));
    EXPECT_EQ(debugLines, "client ゴミpkt受信\n");
}

TEST_F(ConnectTest, AHostThatDoesNotResolveKeepsTheEarlierLinkWorking)
{
    connectAndTakeJoin();
    welcome();
    connect(connectSettings("no-such-host.invalid", fakeServer.port()));

    EXPECT_EQ(recorder.titles().back(), DISCONNECTED);
    EXPECT_EQ(recorder.warnings(), std::vector<std::string>{"ホスト名が解決に失敗しました。 | ちゃんと合ってるる？"});
    EXPECT_TRUE(recorder.calls.back().rfind("warning ", 0) == 0) << "the box is the last step";
    EXPECT_TRUE(fakeServer.staysSilent()) << "no MSG_LEAVE, no MSG_JOIN";

    sendToParticipant(wireCode(3, TYPE_PEER_NAME), wireNickname("carol"));
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE + 3], "carol");
    for (int second = 0; second < 6; ++second) {
        tick();
        ReceivedDatagram ping;
        ASSERT_TRUE(fakeServer.receive(ping));
        EXPECT_EQ(ping.bytes, wireDatagram(key, wireCode(0, TYPE_PING)));
        sendToParticipant(wireCode(0, TYPE_PONG));
    }
    EXPECT_EQ(recorder.warnings().size(), 1u) << "the old link is still alive";
}

TEST_F(ConnectTest, AClientSocketFailureAfterAnEarlierConnectEndsInTheLossAtTheFifthTick)
{
    connectAndTakeJoin();
    welcome();
    UdpPeer portHolder("0.0.0.0");
    UdpPeer newServer("127.0.0.1");
    connect(connectSettings("127.0.0.1", newServer.port(), 0, portHolder.port()));

    EXPECT_EQ(recorder.lastTitle(), DISCONNECTED);
    EXPECT_EQ(
        recorder.warnings(),
        std::vector<std::string>{"クライアントソケットの作成に失敗しました。 | サーバポートと一緒になってない？"});
    ReceivedDatagram leave;
    ASSERT_TRUE(fakeServer.receive(leave));
    EXPECT_EQ(codeType(leave.code()), TYPE_LEAVE);
    EXPECT_FALSE(participant.link.isOpen());
    EXPECT_TRUE(participant.link.IsSessionActive(0)) << "the new server sits in session 0";

    tick(4);
    EXPECT_EQ(recorder.warnings().size(), 1u);
    tick();
    EXPECT_EQ(recorder.warnings().back(), "さばかんしました。 | あるえ");
    EXPECT_TRUE(newServer.staysSilent()) << "nothing can be sent without a socket";
}

TEST_F(InProcessServerTest, AServerPortInUseFailsAtTheFirstRow)
{
    UdpPeer portHolder("0.0.0.0");
    connect(connectSettings("127.0.0.1", portHolder.port(), 1));

    EXPECT_EQ(recorder.titles(), (std::vector<std::string>{CONNECTING, DISCONNECTED}));
    EXPECT_EQ(recorder.warnings(),
              std::vector<std::string>{"サーバソケットの作成に失敗しました。 | ポート使ってない？"});
    EXPECT_FALSE(participant.link.isOpen());
    EXPECT_FALSE(participant.link.IsSessionActive(0));
    EXPECT_FALSE(loop.isTimerRunning(TIMER_KEEPALIVE));
    EXPECT_FALSE(loop.isTimerRunning(TIMER_PEER_SWEEP));
}

TEST_F(InProcessServerTest, ALocalPortEqualToTheServerPortFailsAtTheFourthRowWithTheServerLeftOpen)
{
    const int port = unusedUdpPort();
    connect(connectSettings("127.0.0.1", port, 1, port));

    EXPECT_EQ(recorder.titles(), (std::vector<std::string>{CONNECTING, DISCONNECTED}));
    EXPECT_EQ(
        recorder.warnings(),
        std::vector<std::string>{"クライアントソケットの作成に失敗しました。 | サーバポートと一緒になってない？"});
    EXPECT_TRUE(server.isOpen());
    EXPECT_FALSE(participant.link.isOpen());
    EXPECT_FALSE(loop.isTimerRunning(TIMER_KEEPALIVE));
    EXPECT_FALSE(loop.isTimerRunning(TIMER_JOIN_RETRY));
    EXPECT_FALSE(loop.isTimerRunning(TIMER_PEER_SWEEP));
}

TEST_F(InProcessServerTest, JoinsItsOwnServerAndStaysJoinedWhileBothSidesTick)
{
    const int port = unusedUdpPort();
    // "たろう" in code page 932.
    connect(connectSettings("127.0.0.1", port, 1, 0, "\x82\xbd\x82\xeb\x82\xa4"));

    EXPECT_EQ(recorder.titles(), (std::vector<std::string>{CONNECTING, SERVING, JOINED}));
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE], "たろう");
    EXPECT_TRUE(loop.isTimerRunning(TIMER_PEER_SWEEP));
    EXPECT_FALSE(loop.isTimerRunning(TIMER_JOIN_RETRY));
    EXPECT_EQ(server.GetSessionKey(0), participant.link.GetSessionKey(0));

    tick(10);
    EXPECT_TRUE(recorder.warnings().empty());
    EXPECT_TRUE(server.IsSessionActive(0));
    EXPECT_EQ(debugLines, "");
}

TEST_F(InProcessServerTest, OwnVoiceComesBackOnTheOwnSlotsMeter)
{
    connect(connectSettings("127.0.0.1", unusedUdpPort(), 1));
    Bytes pcm = loudPcmBlock();
    sendVoiceBlock(pcm.data(), static_cast<int>(pcm.size()), coder, mutes, participant.link, recorder);
    settle();

    ASSERT_GT(recorder.meters[IDC_SEND_METER], 0);
    EXPECT_EQ(recorder.meters[IDC_SLOT_METER_BASE], recorder.meters[IDC_SEND_METER]);
}

TEST_F(InProcessServerTest, ReconnectingToTheSameServerFreesTheOldSessionBeforeTheNewJoin)
{
    const int port = unusedUdpPort();
    connect(connectSettings("127.0.0.1", port, 1));
    const int64_t oldKey = participant.link.GetSessionKey(0);
    connect(connectSettings("127.0.0.1", port, 1, 0, "again"));

    EXPECT_EQ(recorder.lastTitle(), JOINED);
    EXPECT_NE(participant.link.GetSessionKey(0), oldKey);
    EXPECT_EQ(server.GetSessionKey(0), participant.link.GetSessionKey(0));
    EXPECT_FALSE(server.IsSessionActive(1));
    EXPECT_EQ(recorder.texts[IDC_SLOT_NAME_BASE], "again");
}

TEST_F(InProcessServerTest, AnAnswerFromAnotherAddressIsNotTheServerSoTheLossClosesTheServer)
{
    // The server answers from 127.0.0.1, the participant waits for 127.0.0.2.
    connect(connectSettings("127.0.0.2", unusedUdpPort(), 1));
    EXPECT_TRUE(server.IsSessionActive(0)) << "the join did reach the server";
    EXPECT_EQ(recorder.lastTitle(), SERVING);

    tick(4);
    EXPECT_TRUE(server.isOpen());
    tick();
    EXPECT_EQ(recorder.warnings(), std::vector<std::string>{"さばかんしました。 | あるえ"});
    EXPECT_EQ(recorder.lastTitle(), DISCONNECTED);
    EXPECT_FALSE(server.isOpen());
    EXPECT_FALSE(loop.isTimerRunning(TIMER_KEEPALIVE));
    EXPECT_TRUE(loop.isTimerRunning(TIMER_JOIN_RETRY));
    EXPECT_TRUE(loop.isTimerRunning(TIMER_PEER_SWEEP));
    EXPECT_NE(debugLines.find("client ゴミpkt受信\n"), std::string::npos);
}
