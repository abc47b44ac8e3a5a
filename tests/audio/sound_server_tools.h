#pragma once
// Test-side helpers around the private sound server of the "pulse" test fixture: child
// processes (pacat, parec, pactl) that are always reaped, test signals, and correlation.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/event_loop.h"

// A program run with its standard input or output on a file; stop() ends and reaps it.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // stdinPath / stdoutPath may be empty (then /dev/null). False when it could not start.
    bool start(const std::vector<std::string>& arguments, const std::string& stdinPath,
               const std::string& stdoutPath);
    // Waits up to timeoutMs for the program to end by itself; true when it did.
    bool waitForExit(int timeoutMs);
    void stop();

private:
    pid_t pid_ = -1;
};

// Standard output of a shell command (reaped by pclose).
std::string commandOutput(const std::string& command);

// Plays a file of raw 8 kHz mono s16le samples into the virtual microphone, paced in real time.
std::vector<std::string> feedMicrophoneCommand(const std::string& rawPath);
// Records the default output's monitor as raw 8 kHz mono s16le.
std::vector<std::string> recordOutputCommand();

// A tone whose pitch glides from lowHz to highHz (distinct at every lag), at amplitude.
std::vector<int16_t> sweep(size_t samples, double lowHz, double highHz, double amplitude);
std::vector<int16_t> silence(size_t samples);
void append(std::vector<int16_t>& to, const std::vector<int16_t>& samples);

bool writeSamples(const std::string& path, const std::vector<int16_t>& samples);
std::vector<int16_t> readSamples(const std::string& path);
std::vector<int16_t> samplesOf(const uint8_t* bytes, size_t length);

// Highest normalised cross-correlation of needle against any stretch of haystack
// (1: the same waveform up to gain; 0: unrelated or silent).
double bestCorrelation(const std::vector<int16_t>& haystack, const std::vector<int16_t>& needle);

// Samples whose magnitude exceeds threshold.
size_t loudSamples(const std::vector<int16_t>& samples, int threshold);

// Dispatches events until done() holds or timeoutMs passes; true when done() held.
bool runUntil(EventLoop& loop, const std::function<bool()>& done, int timeoutMs);

// Sleeps for milliseconds.
void pause(int milliseconds);
