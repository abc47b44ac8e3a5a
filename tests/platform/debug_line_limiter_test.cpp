#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/debug_line_limiter.h"

namespace {

struct Log final : DebugSink {
    DebugLineLimiter limiter;
    std::vector<std::string> lines;

    void submit(const char* text, uint64_t nowMs) { limiter.submit(text, nowMs, *this); }
    void writeLine(const char* line) override { lines.emplace_back(line); }
};

TEST(DebugLineLimiter, AFloodOfOneLineWritesAFewPerSecondThenOneSummary)
{
    Log log;
    for (int i = 0; i < 1000; ++i)
        log.submit("Server ゴミpkt受信？\n", static_cast<uint64_t>(i));
    ASSERT_EQ(log.lines.size(), 5u);
    for (const std::string& line : log.lines)
        EXPECT_EQ(line, "Server ゴミpkt受信？\n");

    // The next occurrence after the window: the summary of the one before, then the line itself.
    log.submit("Server ゴミpkt受信？\n", 1000);
    ASSERT_EQ(log.lines.size(), 7u);
    EXPECT_EQ(log.lines[5], "Server ゴミpkt受信？ (995 more not shown)\n");
    EXPECT_EQ(log.lines[6], "Server ゴミpkt受信？\n");
}

TEST(DebugLineLimiter, KindsAreLimitedApartAndAnyLineBringsADueSummary)
{
    Log log;
    for (int i = 0; i < 8; ++i) {
        log.submit("client Recv失敗\n", 10);
        log.submit("client ゴミpkt受信\n", 10);
    }
    EXPECT_EQ(log.lines.size(), 10u) << "five of each kind";

    log.submit("client fromid異常pkt受信\n", 1010);
    ASSERT_EQ(log.lines.size(), 13u);
    EXPECT_EQ(log.lines[10], "client Recv失敗 (3 more not shown)\n");
    EXPECT_EQ(log.lines[11], "client ゴミpkt受信 (3 more not shown)\n");
    EXPECT_EQ(log.lines[12], "client fromid異常pkt受信\n");

    // A quiet kind starts over without a summary.
    for (int i = 0; i < 5; ++i)
        log.submit("client Recv失敗\n", 5000);
    EXPECT_EQ(log.lines.size(), 18u);
}

TEST(DebugLineLimiter, LinesBeyondTheTableAreNeverLost)
{
    Log log;
    for (int kind = 0; kind < DebugLineLimiter::KIND_COUNT + 4; ++kind) {
        const std::string line = "line " + std::to_string(kind) + "\n";
        for (int i = 0; i < 7; ++i)
            log.submit(line.c_str(), 0);
    }
    // Sixteen kinds limited to five lines each; the four that found no room all written.
    EXPECT_EQ(log.lines.size(), 16u * 5u + 4u * 7u);
}

}
