#pragma once
// Runs the kovaro-relay program as a child process on a given UDP port, with its standard
// error captured in a file, and stops it again with a signal. The child is always reaped.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/child_program.h"

// What kovaro-relay writes to standard error for a datagram it cannot make sense of.
extern const std::string GARBAGE_LINE;

class RelayHostProcess {
public:
    // options: more of the program's arguments after the port.
    bool start(const std::string& program, uint16_t port, const std::string& stderrPath,
               const std::vector<std::string>& options = {});
    // Pokes the port with garbage until the relay reports it on standard error, which shows
    // that it has bound the port and handles datagrams. Admits nobody.
    bool waitUntilServing(int timeoutMs);
    bool isRunning() { return process_.isRunning(); }
    // Sends the signal and reaps the child; returns its wait status, or -1 if it had to be
    // killed or was never started.
    int stop(int signal) { return process_.stop(signal); }

    uint16_t port() const { return port_; }
    std::string stderrText() const;
    int countStderrLines(const std::string& line) const;
    // Waits until standard error holds at least count copies of the line.
    bool waitForStderrLines(const std::string& line, int count, int timeoutMs) const;

private:
    ChildProgram process_;
    uint16_t port_ = 0;
    std::string stderrPath_;
};
