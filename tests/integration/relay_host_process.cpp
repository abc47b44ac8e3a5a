#include "tests/integration/relay_host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/udp_peer.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int POLL_STEP_MS = 20;
constexpr int STOP_TIMEOUT_MS = 5000;

bool beforeDeadline(Clock::time_point deadline) { return Clock::now() < deadline; }

Clock::time_point deadlineIn(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

void pollPause() { std::this_thread::sleep_for(std::chrono::milliseconds(POLL_STEP_MS)); }

}

RelayHostProcess::~RelayHostProcess()
{
    stop(SIGKILL);
}

bool RelayHostProcess::start(const std::string& program, uint16_t port, const std::string& stderrPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string portText = std::to_string(port);
    char* arguments[] = {const_cast<char*>(program.c_str()), portText.data(), nullptr};
    pid_t child = -1;
    int failure = posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failure != 0)
        return false;
    pid_ = child;
    port_ = port;
    stderrPath_ = stderrPath;
    return true;
}

bool RelayHostProcess::waitUntilServing(int timeoutMs)
{
    static const std::string garbageLine = "Server ゴミpkt受信？";
    UdpPeer poker("127.0.0.1");
    if (!poker.isBound())
        return false;
    const Bytes garbage{'n', 'o', 'p', 'e', 0, 0, 0, 0, 0, 0, 0, 0};
    Clock::time_point deadline = deadlineIn(timeoutMs);
    while (beforeDeadline(deadline) && isRunning()) {
        poker.sendTo(loopbackAddress(port_), garbage);
        if (waitForStderrLines(garbageLine, 1, 100))
            return true;
    }
    return false;
}

bool RelayHostProcess::isRunning()
{
    if (pid_ < 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int RelayHostProcess::stop(int signal)
{
    if (pid_ < 0)
        return -1;
    ::kill(pid_, signal);
    int status = 0;
    Clock::time_point deadline = deadlineIn(STOP_TIMEOUT_MS);
    while (beforeDeadline(deadline)) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return status;
        }
        pollPause();
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

std::string RelayHostProcess::stderrText() const
{
    std::ifstream file(stderrPath_, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
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
    Clock::time_point deadline = deadlineIn(timeoutMs);
    while (countStderrLines(line) < count) {
        if (!beforeDeadline(deadline))
            return false;
        pollPause();
    }
    return true;
}
