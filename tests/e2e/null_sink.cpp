#include "tests/e2e/null_sink.h"

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

constexpr int FIRST_DATA_TIMEOUT_MS = 5000;
constexpr int PACED_FEED_MARGIN_MS = 5000;

off_t fileSize(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_size : 0;
}

constexpr size_t LOG_LINES_SHOWN = 8;

// The last lines of the test sound server's log, which say why it stopped answering.
std::string soundServerLogTail()
{
    const char* folder = std::getenv("KOVARO_PULSE_DIR");
    if (folder == nullptr)
        return {};
    std::string tail;
    for (const char* name : {"/pulse.log", "/pulse.stderr", "/pipewire-pulse.log"}) {
        std::ifstream log(std::string(folder) + name);
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        const size_t first = lines.size() > LOG_LINES_SHOWN ? lines.size() - LOG_LINES_SHOWN : 0;
        for (size_t i = first; i < lines.size(); ++i)
            tail += "\n  " + lines[i];
    }
    return tail.empty() ? tail : "; the sound server's log ends:" + tail;
}

}

bool soundServerConfigured()
{
    return std::getenv("PULSE_SERVER") != nullptr;
}

NullSink::~NullSink()
{
    unload();
}

bool NullSink::load(const std::string& name, const std::string& recordingPath)
{
    std::vector<std::string> output;
    if (runToEnd({"pactl", "load-module", "module-null-sink", "sink_name=" + name, "rate=8000", "channels=1",
                  "format=s16le", "sink_properties=device.description=" + name},
                 &output) != 0 ||
        output.empty()) {
        failure_ = "pactl load-module module-null-sink failed for " + name + soundServerLogTail();
        return false;
    }
    name_ = name;
    moduleIndex_ = output.front();
    recordingPath_ = recordingPath;

    if (!startRecorder(recorder_, monitor(), recordingPath)) {
        failure_ = "parec did not start";
        return false;
    }
    // Restarting the sink's clock makes PulseAudio deliver to the recorder at once. PipeWire
    // delivers at once anyway, and there streams moved into a sink after this stay silent.
    if (!onPipeWire()) {
        runToEnd({"pactl", "suspend-sink", name, "1"});
        runToEnd({"pactl", "suspend-sink", name, "0"});
    }
    const TestClock::time_point deadline = TestClock::now() + std::chrono::milliseconds(FIRST_DATA_TIMEOUT_MS);
    while (fileSize(recordingPath) == 0) {
        if (TestClock::now() >= deadline || !recorder_.isRunning()) {
            failure_ = "the recorder of " + name + " got no data";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool NullSink::reload()
{
    recorder_.stop(SIGTERM);
    return load(name_, recordingPath_);
}

void NullSink::unload()
{
    if (!moduleIndex_.empty())
        runToEnd({"pactl", "unload-module", moduleIndex_});
    moduleIndex_.clear();
    recorder_.stop(SIGTERM);
}

size_t NullSink::recordedSamples() const
{
    return static_cast<size_t>(fileSize(recordingPath_)) / 2;
}

Samples NullSink::recording(size_t from, size_t to) const
{
    const Samples all = readSamples(recordingPath_);
    to = std::min(to, all.size());
    if (from >= to)
        return {};
    return Samples(all.begin() + static_cast<std::ptrdiff_t>(from), all.begin() + static_cast<std::ptrdiff_t>(to));
}

bool feedSink(const std::string& sinkName, const std::string& rawPath)
{
    const Samples samples = readSamples(rawPath);
    const int playMs = static_cast<int>(samples.size() * 1000 / SAMPLE_RATE);
    return runToEnd(playRawCommand(sinkName, rawPath), nullptr, "", playMs + PACED_FEED_MARGIN_MS) == 0;
}
