// kovarosrv on a private X server, driven from outside: its dialog confirmed with the keyboard,
// three participant-hosts relayed and heard on its own output, a slot muted by a click, a
// participant that vanishes expiring from its label, a taken port refused and a free one
// taken after F2, a seventeenth joiner refused, and a close that sends nothing.

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "net/wire_protocol.h"
#include "resources/resource_ids.h"
#include "resources/template_set.h"
#include "tests/desktop/close_request.h"
#include "tests/desktop/desktop_driver.h"
#include "tests/support/udp_peer.h"
#include "tests/support/wire_bytes.h"

namespace {

constexpr int JOIN_TIMEOUT_MS = 5000;
constexpr int PLAYBACK_TAIL_MS = 700;
// A silent session is freed on the third sweep after its last datagram, 2 to 3 s; the label
// follows at once. The rest is the loaded machine's.
constexpr int EXPIRY_SEEN_MS = 6000;
constexpr double SILENT_RMS = 50.0;

struct Participant {
    std::string nickname;
    NullSink microphone;
    NullSink output;
    ParticipantHost host;
};

class ServerScenario : public DesktopTest {
protected:
    // Opens the dialog with F2, types the port and confirms it.
    void restartOn(uint32_t window, uint16_t port)
    {
        xdotool({"windowfocus", "--sync", std::to_string(window), "key", "F2"});
        const uint32_t dialog = waitForWindow(server, "接続設定");
        ASSERT_NE(dialog, 0u);
        xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "ctrl+a", "type", std::to_string(port)});
        xdotool({"key", "Return"});
    }

    // The share of the recorded output that matches the spoken words, while `speaker` says them.
    double heardWhileSpeaking(NullSink& output, Participant& speaker)
    {
        const size_t from = output.recordedSamples();
        EXPECT_TRUE(feedSink(speaker.microphone.name(), path("speech.raw")));
        pause(PLAYBACK_TAIL_MS);
        return matchSpeech(expected, output.recording(from, output.recordedSamples()), 2 * SAMPLE_RATE).correlation;
    }

    ChildProgram server;
    Samples expected;
};

TEST_F(ServerScenario, RelaysListensMutesExpiresRestartsAndRefuses)
{
    expected = throughVoiceCodec(speech("Four quiet owls watched the river", "en+m3", "speech"));
    NullSink serverOutput;
    loadSink(serverOutput, "server_out");
    Participant people[3];
    const char* names[] = {"alice", "bob", "carol"};
    for (int index = 0; index < 3; ++index) {
        people[index].nickname = names[index];
        loadSink(people[index].microphone, people[index].nickname + "_mic");
        loadSink(people[index].output, people[index].nickname + "_out");
    }
    ASSERT_FALSE(HasFailure());
    const uint16_t port = freeUdpPort();

    ASSERT_TRUE(startCopy(server, "kovarosrv", "server", "RemotePort=" + std::to_string(port) + "\nLeft=0\nTop=0\n",
                          {"PULSE_SINK=" + serverOutput.name()}));
    const uint32_t dialog = waitForWindow(server, "接続設定");
    ASSERT_NE(dialog, 0u) << readBytes(path("server.stderr"));
    xdotool({"windowfocus", "--sync", std::to_string(dialog), "key", "Return"});
    const uint32_t window = waitForWindow(server, "Kovaro SERVER- サーバ稼働中");
    ASSERT_NE(window, 0u) << readBytes(path("server.stderr"));
    const MainWindowLayout layout(window, serverMainTemplate);

    // Joined one after the other, they take slots 0 to 2; each is heard here on the slot's own
    // stream, named after the speaker.
    for (int slot = 0; slot < 3; ++slot) {
        Participant& person = people[slot];
        ASSERT_TRUE(person.host.start(person.nickname, port, {}, audioEnvironment(person.microphone, person.output),
                                      path(person.nickname + ".stderr")));
        ASSERT_GE(person.host.waitFor(TITLE_JOINED, JOIN_TIMEOUT_MS), 0) << person.host.transcript();
        EXPECT_TRUE(labelShows(true, window, layout.control(IDC_SLOT_NAME_BASE + slot), WINDOW_TIMEOUT_MS))
            << person.nickname;
    }
    for (Participant& person : people) {
        EXPECT_GE(heardWhileSpeaking(serverOutput, person), SPEECH_FOUND) << person.nickname;
    }
    std::vector<std::string> streams;
    runToEnd({"pactl", "list", "sink-inputs"}, &streams);
    for (const char* stream : {"0: alice", "1: bob", "2: carol"}) {
        EXPECT_TRUE(std::any_of(streams.begin(), streams.end(), [&](const std::string& line) {
            return line.find(stream) != std::string::npos;
        })) << stream;
    }
    screenshot(window, "kovarosrv-three.png");

    // Slot 1 muted here: not heard here, its meter still moves, and alice still hears bob.
    layout.click(window, IDC_SLOT_MUTE_BASE + 1);
    pause(300);
    bool meterMoved = false;
    std::thread watcher([&] {
        for (int look = 0; look < 20 && !meterMoved; ++look) {
            meterMoved = showsColour(window, layout.control(IDC_SLOT_METER_BASE + 1), path("meter.png"));
        }
    });
    const size_t from = serverOutput.recordedSamples();
    EXPECT_GE(heardWhileSpeaking(people[0].output, people[1]), SPEECH_FOUND);
    watcher.join();
    EXPECT_TRUE(meterMoved);
    EXPECT_LT(rootMeanSquare(serverOutput.recording(from, serverOutput.recordedSamples())), SILENT_RMS);

    // carol vanishes without a word: the sweep frees her slot and empties its label.
    people[2].host.process.stop(SIGKILL);
    EXPECT_TRUE(labelShows(false, window, layout.control(IDC_SLOT_NAME_BASE + 2), EXPIRY_SEEN_MS));
    for (int slot = 0; slot < 2; ++slot) {
        people[slot].host.process.stop(SIGTERM);
    }

    // A port another socket holds: the stopped title and the box; then a free port.
    UdpPeer holder("0.0.0.0");
    ASSERT_TRUE(holder.isBound());
    restartOn(window, holder.port());
    EXPECT_NE(waitForWindow(server, "Kovaro SERVER- 切断"), 0u);
    const uint32_t box = waitForWindow(server, "ポート使ってない？");
    ASSERT_NE(box, 0u);
    xdotool({"windowfocus", "--sync", std::to_string(box), "key", "Return"});
    const uint16_t freePort = freeUdpPort();
    restartOn(window, freePort);
    ASSERT_NE(waitForWindow(server, "Kovaro SERVER- サーバ稼働中"), 0u);
    EXPECT_NE(readBytes(path("server/kovarosrv.ini")).find("RemotePort=" + std::to_string(freePort)),
              std::string::npos);

    // Sixteen held by a script, the seventeenth is refused.
    std::vector<std::unique_ptr<KeyedPeer>> holders;
    for (uint32_t index = 0; index <= SLOT_COUNT; ++index) {
        holders.push_back(std::make_unique<KeyedPeer>("127.0.0.1", 500 + index));
        holders.back()->send(freePort, MSG_JOIN, wireNickname("p" + std::to_string(index)));
        // An admitted joiner gets its own name announced and the welcome; a refused one one answer.
        const std::vector<ReceivedDatagram> answers = holders.back()->socket.drain(index < SLOT_COUNT ? 2 : 1);
        const uint32_t expectedCode = index < SLOT_COUNT ? makeCode(index, MSG_WELCOME) : REFUSAL_CODE;
        EXPECT_TRUE(std::any_of(answers.begin(), answers.end(), [&](const ReceivedDatagram& answer) {
            return answer.code() == expectedCode;
        })) << index;
    }
    EXPECT_TRUE(labelShows(true, window, layout.control(IDC_SLOT_NAME_BASE + 15), WINDOW_TIMEOUT_MS));
    screenshot(window, "kovarosrv-full.png");

    // Closing tells the participants nothing: they find out by their keep-alive.
    for (const auto& peer : holders) {
        peer->socket.drain();
    }
    ASSERT_TRUE(requestWindowClose(window));
    const int status = server.waitExit(EXIT_WAIT_MS);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    for (const auto& peer : holders) {
        EXPECT_TRUE(peer->socket.staysSilent());
    }
}

}  // namespace
