#pragma once
// kovaro-relay and participant-host run as children of an end-to-end test.
// participant-host prints each window update as one line (title, text, meter, warning,
// fatal); the lines are kept with their arrival times so that a test can look at what the
// window showed during a stretch of time.

#include <cstdint>
#include <string>
#include <vector>

#include "resources/control_ids.h"
#include "tests/support/child_program.h"
#include "tests/support/relay_host_process.h"

constexpr const char* TITLE_CONNECTING = "title Kovaro- 接続中...";
constexpr const char* TITLE_SERVING = "title Kovaro- サーバ稼働中";
constexpr const char* TITLE_JOINED = "title Kovaro- 接続済";
constexpr const char* TITLE_DISCONNECTED = "title Kovaro- 切断";
constexpr const char* LOSS_BOX = "warning あるえ|さばかんしました。";
constexpr const char* REFUSAL_BOX = "warning 満室かも？|サーバに弾かれました。";

constexpr int OWN_METER = IDC_SEND_METER;
constexpr int NAME_LABEL_BASE = IDC_SLOT_NAME_BASE;
constexpr int SLOT_METER_BASE = IDC_SLOT_METER_BASE;
constexpr int SLOTS = 16;

// A UDP port on 127.0.0.1 that was free a moment ago.
uint16_t freeUdpPort();

class RelayHost : public RelayHostProcess {
public:
    // Starts the built kovaro-relay on the port and waits until it handles datagrams.
    bool start(uint16_t port, const std::string& stderrPath);
};

class ParticipantHost {
public:
    // participant-host NICKNAME HOST PORT plus options, with extra environment entries
    // (PULSE_SINK=..., PULSE_SOURCE=..., PULSE_SERVER=...). Its voice processing is off
    // unless the options switch it on.
    bool start(const std::string& nickname, uint16_t port, const std::vector<std::string>& options,
               const std::vector<std::string>& environment, const std::string& stderrPath);

    // Index of the first line equal to `line` at or after `from`, or -1 after timeoutMs.
    int waitFor(const std::string& line, int timeoutMs, size_t from = 0) const;
    // The slot whose name label last showed the nickname, or -1.
    int slotShowing(const std::string& nickname) const;
    // Waits until a name label shows the nickname; that slot, or -1.
    int waitForSlotOf(const std::string& nickname, int timeoutMs) const;
    // Positions that meter controlId was set to between the two times.
    std::vector<int> meterPositions(int controlId, TestClock::time_point from, TestClock::time_point to) const;
    // Lines of one kind ("title", "warning", ...) in order.
    std::vector<std::string> linesStartingWith(const std::string& prefix) const;
    std::string transcript() const;

    bool command(const std::string& text) { return process.writeLine(text); }

    ChildProgram process;
};

struct MeterSummary {
    size_t updates = 0;
    size_t nonZero = 0;
    int highest = 0;
};

MeterSummary summarise(const std::vector<int>& positions);
