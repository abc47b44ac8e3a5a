#include "tests/support/child_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

constexpr int POLL_STEP_MS = 10;

std::string variableName(const std::string& entry)
{
    return entry.substr(0, entry.find('='));
}

// The test's environment with the given entries added or replaced.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string inherited = *entry;
        bool replaced = false;
        for (const std::string& own : overrides)
            replaced = replaced || variableName(own) == variableName(inherited);
        if (!replaced)
            merged.push_back(inherited);
    }
    merged.insert(merged.end(), overrides.begin(), overrides.end());
    return merged;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}

ChildProgram::~ChildProgram()
{
    stop(SIGKILL);
    finishOutput();
}

bool ChildProgram::start(const std::vector<std::string>& arguments, const ChildOptions& options)
{
    if (pid_ >= 0 || arguments.empty())
        return false;
    // Writing to a child that has already ended must fail, not end the test program.
    ::signal(SIGPIPE, SIG_IGN);
    int inputPipe[2] = {-1, -1};
    int outputPipe[2] = {-1, -1};
    if (options.stdinPipe && ::pipe2(inputPipe, O_CLOEXEC) != 0)
        return false;
    const bool collectLines = options.stdoutPath.empty();
    if (collectLines && ::pipe2(outputPipe, O_CLOEXEC) != 0) {
        ::close(inputPipe[0]);
        ::close(inputPipe[1]);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.stdinPipe)
        posix_spawn_file_actions_adddup2(&actions, inputPipe[0], 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (collectLines)
        posix_spawn_file_actions_adddup2(&actions, outputPipe[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, options.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string errorPath = options.stderrPath.empty() ? "/dev/null" : options.stderrPath;
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = mergedEnvironment(options.environment);
    std::vector<char*> argv = pointersTo(argumentTexts);
    std::vector<char*> envp = pointersTo(environmentTexts);
    pid_t child = -1;
    const int failure = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    // The child holds its own ends now.
    if (options.stdinPipe)
        ::close(inputPipe[0]);
    if (collectLines)
        ::close(outputPipe[1]);
    if (failure != 0) {
        if (options.stdinPipe)
            ::close(inputPipe[1]);
        if (collectLines)
            ::close(outputPipe[0]);
        return false;
    }
    pid_ = child;
    input_ = options.stdinPipe ? inputPipe[1] : -1;
    if (collectLines)
        reader_ = std::thread(&ChildProgram::readLines, this, outputPipe[0]);
    return true;
}

bool ChildProgram::isRunning()
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

bool ChildProgram::writeLine(const std::string& text)
{
    if (input_ < 0)
        return false;
    const std::string line = text + "\n";
    return ::write(input_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

void ChildProgram::closeInput()
{
    if (input_ >= 0)
        ::close(input_);
    input_ = -1;
}

int ChildProgram::waitExit(int timeoutMs)
{
    const TestClock::time_point deadline = TestClock::now() + std::chrono::milliseconds(timeoutMs);
    while (pid_ >= 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            closeInput();
            return status;
        }
        if (TestClock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_STEP_MS));
    }
    return -1;
}

int ChildProgram::stop(int signal)
{
    if (pid_ < 0) {
        closeInput();
        return -1;
    }
    ::kill(pid_, signal);
    int status = waitExit(STOP_TIMEOUT_MS);
    if (status == -1 && pid_ >= 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        status = -1;
    }
    closeInput();
    return status;
}

void ChildProgram::readLines(int fd)
{
    std::string pending;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        const TestClock::time_point arrival = TestClock::now();
        pending.append(chunk, static_cast<size_t>(got));
        size_t end = 0;
        {
            std::lock_guard<std::mutex> lock(linesMutex_);
            while ((end = pending.find('\n')) != std::string::npos) {
                lines_.push_back({arrival, pending.substr(0, end)});
                pending.erase(0, end + 1);
            }
        }
        lineArrived_.notify_all();
    }
    ::close(fd);
}

void ChildProgram::finishOutput()
{
    if (reader_.joinable())
        reader_.join();
}

std::vector<TimedLine> ChildProgram::lines() const
{
    std::lock_guard<std::mutex> lock(linesMutex_);
    return lines_;
}

size_t ChildProgram::lineCount() const
{
    std::lock_guard<std::mutex> lock(linesMutex_);
    return lines_.size();
}

int ChildProgram::waitForLine(const std::function<bool(const std::string&)>& matches, int timeoutMs, size_t from) const
{
    const TestClock::time_point deadline = TestClock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(linesMutex_);
    for (size_t index = from;;) {
        for (; index < lines_.size(); ++index)
            if (matches(lines_[index].text))
                return static_cast<int>(index);
        if (lineArrived_.wait_until(lock, deadline) == std::cv_status::timeout && index == lines_.size())
            return -1;
    }
}

int ChildProgram::waitForLine(const std::string& exact, int timeoutMs, size_t from) const
{
    return waitForLine([&exact](const std::string& line) { return line == exact; }, timeoutMs, from);
}

int runToEnd(const std::vector<std::string>& arguments, std::vector<std::string>* output, const std::string& stderrPath,
             int timeoutMs)
{
    ChildProgram child;
    ChildOptions options;
    options.stderrPath = stderrPath;
    if (!child.start(arguments, options))
        return -1;
    const int status = child.waitExit(timeoutMs);
    if (status == -1)
        child.stop(SIGKILL);
    child.finishOutput();
    if (output != nullptr)
        for (const TimedLine& line : child.lines())
            output->push_back(line.text);
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
