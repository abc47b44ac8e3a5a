// kovaro-relay: the relay server alone, for a machine without a desktop or a sound card (a
// systemd service, a container). It runs until SIGINT or SIGTERM and ends with 0 then. Its
// diagnostic lines, and with --stats a line of counts every so many seconds, go to standard
// error, one per line, so that the journal keeps them.

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "conference/relay_server.h"
#include "conference/worker_events.h"
#include "platform/event_loop.h"
#include "platform/linux/command_line.h"
#include "server/relay/relay_options.h"
#include "server/relay/relay_stats_line.h"

namespace {

struct Relay final : EventHandler {
    RelayServer server;
    RelayStats lastStats;
    int statsSeconds = 0;

    void printStats()
    {
        const RelayStats now = server.stats();
        char line[256];
        formatRelayStats(line, sizeof line, now, lastStats, statsSeconds);
        std::fputs(line, stderr);
        lastStats = now;
    }

    void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        if (!server.dispatch(message, wParam, lParam) && message == WM_TIMER &&
            wParam == TIMER_RELAY_STATS)
            printStats();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const RelayOptions options = parseRelayOptions(argc, argv);
    switch (options.action) {
    case RelayOptions::Action::Help:
        std::printf("%s\nRelays the voices of up to 16 participants on a UDP port (default %d) until SIGINT or "
                    "SIGTERM.\n  --stats SECONDS  write a line of counts to standard error every SECONDS\n",
                    RELAY_USAGE, DEFAULT_RELAY_PORT);
        return 0;
    case RelayOptions::Action::Version:
        std::printf("kovaro-relay %s\n", KOVARO_VERSION);
        return 0;
    case RelayOptions::Action::Refuse:
        std::fprintf(stderr, "kovaro-relay: %s (%s)\n", options.problem, RELAY_USAGE);
        return 2;
    case RelayOptions::Action::Run:
        break;
    }

    // The signals are taken by a thread of their own, which asks the loop to end.
    sigset_t stopSignals = blockStopSignals();
    EventLoop loop;
    if (!loop.isValid()) {
        std::fprintf(stderr, "kovaro-relay: cannot create the event loop: %s\n", std::strerror(errno));
        return 1;
    }
    static Relay relay;
    relay.statsSeconds = options.statsSeconds;
    loop.setHandler(relay);
    if (relay.server.Open(&loop, options.port) != 0) {
        std::fprintf(stderr, "kovaro-relay: cannot open UDP port %d: %s\n", options.port, std::strerror(errno));
        return 1;
    }
    loop.setTimer(TIMER_PEER_SWEEP, PEER_SWEEP_PERIOD_MS);
    if (options.statsSeconds > 0)
        loop.setTimer(TIMER_RELAY_STATS, static_cast<uint32_t>(options.statsSeconds) * 1000u);

    std::thread signalWaiter([&loop, &stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        loop.postQuit(0);
    });
    const int code = loop.run();
    signalWaiter.join();
    relay.server.Close();
    return code;
}
