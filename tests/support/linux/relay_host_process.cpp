#include "tests/support/relay_host_process.h"

#include <sstream>

#include "tests/support/scratch_folder.h"
#include "tests/support/udp_peer.h"

const std::string GARBAGE_LINE = "Server ゴミpkt受信？";

namespace {

constexpr int POLL_STEP_MS = 20;

TestClock::time_point deadlineIn(int ms)
{
    return TestClock::now() + std::chrono::milliseconds(ms);
}

}

bool RelayHostProcess::start(const std::string& program, uint16_t port, const std::string& stderrPath,
                             const std::vector<std::string>& options)
{
    ChildOptions childOptions;
    childOptions.stderrPath = stderrPath;
    std::vector<std::string> arguments{program, "--port", std::to_string(port)};
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (!process_.start(arguments, childOptions))
        return false;
    port_ = port;
    stderrPath_ = stderrPath;
    return true;
}

bool RelayHostProcess::waitUntilServing(int timeoutMs)
{
    UdpPeer poker("127.0.0.1");
    if (!poker.isBound())
        return false;
    const Bytes garbage{'n', 'o', 'p', 'e', 0, 0, 0, 0, 0, 0, 0, 0};
    const TestClock::time_point deadline = deadlineIn(timeoutMs);
    while (TestClock::now() < deadline && isRunning()) {
        poker.sendTo(loopbackAddress(port_), garbage);
        if (waitForStderrLines(GARBAGE_LINE, 1, 100))
            return true;
    }
    return false;
}

std::string RelayHostProcess::stderrText() const
{
    return readBytes(stderrPath_);
}

int RelayHostProcess::countStderrLines(const std::string& line) const
{
    std::istringstream text(stderrText());
    int count = 0;
    // Only complete lines count: each debug line is written with its newline.
    for (std::string each; std::getline(text, each);)
        count += each == line && !text.eof() ? 1 : 0;
    return count;
}

bool RelayHostProcess::waitForStderrLines(const std::string& line, int count, int timeoutMs) const
{
    const TestClock::time_point deadline = deadlineIn(timeoutMs);
    while (countStderrLines(line) < count) {
        if (TestClock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_STEP_MS));
    }
    return true;
}
