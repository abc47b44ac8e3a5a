// kovaro-relay's command line and its ends: refused arguments, a port it cannot open, its
// version, and the statistics lines of --stats.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/integration/relay_host_fixture.h"
#include "tests/support/child_program.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/wire_bytes.h"

namespace {

const std::string RELAY = std::string(KOVARO_BIN_DIR) + "/kovaro-relay";
const std::string USAGE = "(usage: kovaro-relay [--port N] [--stats SECONDS] [--version] [--help])";

std::string fileText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Ended {
    int code;
    std::vector<std::string> output;
    std::string errors;
};

Ended run(const std::vector<std::string>& arguments)
{
    ScratchFolder folder;
    Ended ended;
    std::vector<std::string> command{RELAY};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ended.code = runToEnd(command, &ended.output, folder.path() + "/stderr", 5000);
    ended.errors = fileText(folder.path() + "/stderr");
    return ended;
}

TEST(RelayCommandLine, RefusesBadArgumentsWithOneLineAndExitCode2)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--port", "0"}, "--port takes a whole number from 1 to 65535, not \"0\""},
        {{"--port=65536"}, "--port takes a whole number from 1 to 65535, not \"65536\""},
        {{"--port", "9876x"}, "--port takes a whole number from 1 to 65535, not \"9876x\""},
        {{"--stats"}, "--stats needs a value"},
        {{"--stats", "-5"}, "--stats takes a whole number from 1 to 86400, not \"-5\""},
        {{"--portly", "1"}, "unknown argument \"--portly\""},
        {{"9876"}, "unknown argument \"9876\""},
    };
    for (const auto& [arguments, problem] : cases) {
        const Ended ended = run(arguments);
        EXPECT_EQ(ended.code, 2) << problem;
        EXPECT_EQ(ended.errors, "kovaro-relay: " + problem + " " + USAGE + "\n");
        EXPECT_TRUE(ended.output.empty()) << problem;
    }
}

TEST(RelayCommandLine, NamesThePortAndTheReasonWhenItCannotOpenIt)
{
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));

    const Ended ended = run({"--port", port});
    close(holder);
    EXPECT_EQ(ended.code, 1);
    EXPECT_EQ(ended.errors, "kovaro-relay: cannot open UDP port " + port + ": Address already in use\n");
}

TEST(RelayCommandLine, HelpAndVersionGoToStandardOutput)
{
    const Ended version = run({"--port", "1", "--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.output, std::vector<std::string>{"kovaro-relay " KOVARO_VERSION});
    const Ended help = run({"--help", "--bogus"});
    EXPECT_EQ(help.code, 2) << "a bad argument is refused before help is given";
    const Ended helped = run({"--stats", "5", "--help"});
    EXPECT_EQ(helped.code, 0);
    ASSERT_FALSE(helped.output.empty());
    EXPECT_EQ(helped.output[0], "usage: kovaro-relay [--port N] [--stats SECONDS] [--version] [--help]");
    EXPECT_TRUE(helped.errors.empty());
}

class RelayStatsTest : public RelayHostTest {
protected:
    RelayStatsTest() { relayOptions = {"--stats", "1"}; }
};

// Two participants talk for a moment: a statistics line counts what passed in its second, and
// a later one, with nothing passing, counts nothing but the slots in use.
TEST_F(RelayStatsTest, StatsLinesCountWhatPassedInTheirPeriod)
{
    WireRoster roster;
    std::vector<KeyedPeer> both = admitAll({"alice", "bob"}, roster);
    ASSERT_FALSE(HasFailure());
    send(both[0], wireCode(0, TYPE_VOICE), wireVoiceFrame(3));
    for (KeyedPeer& hearer : both)
        EXPECT_TRUE(receivedNext(hearer, wireDatagram(hearer.key, wireCode(0, TYPE_VOICE_RELAY), wireVoiceFrame(3))));
    sendRaw(both[1], Bytes{'j', 'u', 'n', 'k'});

    const std::regex busy("stats 1 s: slots 2/16, in [1-9][0-9]* datagrams [1-9][0-9]* bytes, out [1-9][0-9]* "
                          "datagrams [1-9][0-9]* bytes, relayed 2, withheld 0, junk [1-9][0-9]*");
    const std::regex idle("stats 1 s: slots 2/16, in 0 datagrams 0 bytes, out 0 datagrams 0 bytes, relayed 0, "
                          "withheld 0, junk 0");
    bool sawBusy = false;
    bool sawIdle = false;
    for (int waited = 0; waited < 4000 && !sawIdle; waited += 100) {
        usleep(100000);
        std::istringstream lines(relay.stderrText());
        sawBusy = false;
        for (std::string line; std::getline(lines, line);) {
            sawBusy = sawBusy || std::regex_match(line, busy);
            sawIdle = sawBusy && std::regex_match(line, idle);
        }
    }
    EXPECT_TRUE(sawBusy && sawIdle) << relay.stderrText();
}

}  // namespace
