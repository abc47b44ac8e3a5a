#include "tests/e2e/conference_processes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/support/udp_peer.h"

namespace {

constexpr int SERVING_TIMEOUT_MS = 5000;

std::string program(const char* name)
{
    return std::string(KOVARO_BIN_DIR) + "/" + name;
}

// The position of a "meter <control id> <position>" line when the id is controlId.
bool meterPosition(const std::string& line, int controlId, int& position)
{
    int id = 0;
    int value = 0;
    char tail = 0;
    if (std::sscanf(line.c_str(), "meter %d %d%c", &id, &value, &tail) != 2 || id != controlId)
        return false;
    position = value;
    return true;
}

}

uint16_t freeUdpPort()
{
    UdpPeer probe("127.0.0.1");
    return probe.port();
}

bool RelayHost::start(uint16_t port, const std::string& stderrPath)
{
    return RelayHostProcess::start(program("kovaro-relay"), port, stderrPath) && waitUntilServing(SERVING_TIMEOUT_MS);
}

bool ParticipantHost::start(const std::string& nickname, uint16_t port, const std::vector<std::string>& options,
                            const std::vector<std::string>& environment, const std::string& stderrPath)
{
    // The scenarios compare what was heard with what was spoken, sample for sample: the voice
    // processing is off unless the options switch it on again (the last of an option counts).
    std::vector<std::string> arguments{program("participant-host"), nickname, "127.0.0.1", std::to_string(port),
                                       "--echo-cancel", "0", "--noise-suppression", "0", "--auto-gain", "0"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    ChildOptions childOptions;
    childOptions.environment = environment;
    childOptions.stdinPipe = true;
    childOptions.stderrPath = stderrPath;
    return process.start(arguments, childOptions);
}

int ParticipantHost::waitFor(const std::string& line, int timeoutMs, size_t from) const
{
    return process.waitForLine(line, timeoutMs, from);
}

int ParticipantHost::slotShowing(const std::string& nickname) const
{
    int slot = -1;
    for (const TimedLine& line : process.lines())
        for (int candidate = 0; candidate < SLOTS; ++candidate)
            if (line.text == "text " + std::to_string(NAME_LABEL_BASE + candidate) + " " + nickname)
                slot = candidate;
    return slot;
}

int ParticipantHost::waitForSlotOf(const std::string& nickname, int timeoutMs) const
{
    const auto showsNickname = [&nickname](const std::string& line) {
        return line.rfind("text ", 0) == 0 && line.size() > nickname.size() &&
               line.compare(line.size() - nickname.size() - 1, std::string::npos, " " + nickname) == 0;
    };
    return process.waitForLine(showsNickname, timeoutMs) < 0 ? -1 : slotShowing(nickname);
}

std::vector<int> ParticipantHost::meterPositions(int controlId, TestClock::time_point from,
                                                 TestClock::time_point to) const
{
    std::vector<int> positions;
    for (const TimedLine& line : process.lines()) {
        int position = 0;
        if (line.arrival >= from && line.arrival <= to && meterPosition(line.text, controlId, position))
            positions.push_back(position);
    }
    return positions;
}

std::vector<std::string> ParticipantHost::linesStartingWith(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const TimedLine& line : process.lines())
        if (line.text.rfind(prefix, 0) == 0)
            found.push_back(line.text);
    return found;
}

std::string ParticipantHost::transcript() const
{
    // Meter lines come sixteen a second per slot; the rest tells the story.
    std::string text;
    size_t meters = 0;
    for (const TimedLine& line : process.lines()) {
        if (line.text.rfind("meter ", 0) == 0) {
            ++meters;
            continue;
        }
        text += "  " + line.text + "\n";
    }
    return text + "  (" + std::to_string(meters) + " meter lines)\n";
}

MeterSummary summarise(const std::vector<int>& positions)
{
    MeterSummary summary;
    for (const int position : positions) {
        ++summary.updates;
        summary.nonZero += position != 0 ? 1 : 0;
        summary.highest = std::max(summary.highest, position);
    }
    return summary;
}
