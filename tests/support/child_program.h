#pragma once
// A program run as a child process for a test: extra environment variables, standard input
// as a pipe the test writes lines to, standard output either to a file or taken line by line
// with the time each line arrived, standard error to a file. The child is always reaped: the
// destructor kills and waits for one still running. runToEnd() runs a short-lived program.
// Threading: one test thread; a reader thread of its own collects the output lines.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using TestClock = std::chrono::steady_clock;

struct TimedLine {
    TestClock::time_point arrival;
    std::string text;
};

struct ChildOptions {
    // NAME=value entries that are added to (or replace those of) the test's environment.
    std::vector<std::string> environment;
    bool stdinPipe = false;
    // Standard output: "" collects it as timed lines, anything else is a file path.
    std::string stdoutPath;
    // Standard error: a file path, "" for /dev/null.
    std::string stderrPath;
};

class ChildProgram {
public:
    ChildProgram() = default;
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // arguments[0] is the program: a path, or a name looked up in PATH.
    bool start(const std::vector<std::string>& arguments, const ChildOptions& options);
    bool isRunning();
    pid_t pid() const { return pid_; }

    // Writes text and a newline to the child's standard input.
    bool writeLine(const std::string& text);
    // Closes the child's standard input (it reads end of file).
    void closeInput();

    // Waits for the child to end by itself; its wait status, or -1 on time-out (it keeps running).
    int waitExit(int timeoutMs);
    // Sends the signal and reaps the child; its wait status, or -1 when it had to be killed
    // after STOP_TIMEOUT_MS or was not running.
    int stop(int signal);
    static constexpr int STOP_TIMEOUT_MS = 6000;

    // Output lines collected so far (standard output taken as lines).
    std::vector<TimedLine> lines() const;
    // Waits until a line at or after index `from` satisfies the predicate; its index, or -1.
    int waitForLine(const std::function<bool(const std::string&)>& matches, int timeoutMs, size_t from = 0) const;
    int waitForLine(const std::string& exact, int timeoutMs, size_t from = 0) const;
    size_t lineCount() const;
    // After the child has ended: waits until every line it wrote has been collected.
    void finishOutput();

private:
    void readLines(int fd);

    pid_t pid_ = -1;
    int input_ = -1;
    std::thread reader_;
    mutable std::mutex linesMutex_;
    mutable std::condition_variable lineArrived_;
    std::vector<TimedLine> lines_;
};

constexpr int RUN_TIMEOUT_MS = 30000;

// Runs a program to its end, killed after timeoutMs. Its exit code; -1 when it could not
// start, ended by a signal or ran out of time. Its standard output lines go to `output` when
// given, its standard error to stderrPath ("" for /dev/null).
int runToEnd(const std::vector<std::string>& arguments, std::vector<std::string>* output = nullptr,
             const std::string& stderrPath = "", int timeoutMs = RUN_TIMEOUT_MS);
