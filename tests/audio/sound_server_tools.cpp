#include "sound_server_tools.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::start(const std::vector<std::string>& arguments, const std::string& stdinPath,
                         const std::string& stdoutPath)
{
    stop();
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int input = open(stdinPath.empty() ? "/dev/null" : stdinPath.c_str(), O_RDONLY | O_CLOEXEC);
    const int output = stdoutPath.empty() ? open("/dev/null", O_WRONLY | O_CLOEXEC)
                                          : open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (input < 0 || output < 0) {
        if (input >= 0)
            ::close(input);
        if (output >= 0)
            ::close(output);
        return false;
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(input, 0);
        dup2(output, 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    ::close(input);
    ::close(output);
    return pid_ > 0;
}

bool ChildProcess::waitForExit(int timeoutMs)
{
    for (int waited = 0; pid_ > 0; waited += 10) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return true;
        }
        if (waited >= timeoutMs)
            return false;
        pause(10);
    }
    return true;
}

void ChildProcess::stop()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string commandOutput(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, count);
    pclose(pipe);
    return output;
}

std::vector<std::string> feedMicrophoneCommand(const std::string& rawPath)
{
    return {"pacat", "-d", "test_mic_feed", "--rate=8000", "--channels=1", "--format=s16le", "--latency-msec=20",
            rawPath};
}

std::vector<std::string> recordOutputCommand()
{
    return {"parec", "-d", "test_out.monitor", "--rate=8000", "--channels=1", "--format=s16le", "--latency-msec=10"};
}

std::vector<int16_t> sweep(size_t samples, double lowHz, double highHz, double amplitude)
{
    std::vector<int16_t> out(samples);
    const double seconds = static_cast<double>(samples) / 8000.0;
    for (size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / 8000.0;
        const double phase = 2.0 * M_PI * (lowHz * t + (highHz - lowHz) * t * t / (2.0 * seconds));
        out[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
    }
    return out;
}

std::vector<int16_t> silence(size_t samples)
{
    return std::vector<int16_t>(samples, 0);
}

void append(std::vector<int16_t>& to, const std::vector<int16_t>& samples)
{
    to.insert(to.end(), samples.begin(), samples.end());
}

bool writeSamples(const std::string& path, const std::vector<int16_t>& samples)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
    return static_cast<bool>(file);
}

std::vector<int16_t> readSamples(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return samplesOf(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<int16_t> samplesOf(const uint8_t* bytes, size_t length)
{
    std::vector<int16_t> out(length / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

double bestCorrelation(const std::vector<int16_t>& haystack, const std::vector<int16_t>& needle)
{
    if (needle.empty() || haystack.size() < needle.size())
        return 0.0;
    double needleEnergy = 0.0;
    for (int16_t sample : needle)
        needleEnergy += static_cast<double>(sample) * sample;
    double best = 0.0;
    for (size_t lag = 0; lag + needle.size() <= haystack.size(); ++lag) {
        double product = 0.0;
        double energy = 0.0;
        for (size_t i = 0; i < needle.size(); ++i) {
            const double sample = haystack[lag + i];
            product += sample * needle[i];
            energy += sample * sample;
        }
        if (energy > 0.0 && needleEnergy > 0.0)
            best = std::max(best, product / std::sqrt(energy * needleEnergy));
    }
    return best;
}

size_t loudSamples(const std::vector<int16_t>& samples, int threshold)
{
    size_t count = 0;
    for (int16_t sample : samples)
        count += std::abs(static_cast<int>(sample)) > threshold ? 1 : 0;
    return count;
}

bool runUntil(EventLoop& loop, const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        loop.runUntilIdle();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        pause(2);
    }
}

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
