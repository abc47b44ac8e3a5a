// relay-host PORT: runs the relay server on the event loop with its sweep timer until
// SIGINT or SIGTERM. Diagnostic lines go to standard error.

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "conference/relay_server.h"
#include "conference/worker_events.h"
#include "platform/event_loop.h"
#include "tools/command_line.h"

namespace {

void dispatch(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    RelayServer& server = *static_cast<RelayServer*>(context);
    if (message == WM_SERVER_SOCKET)
        server.HandleServerSocket(lParam);
    else if (message == WM_TIMER && wParam == TIMER_PEER_SWEEP)
        server.SweepPeers();
}

}

int main(int argc, char** argv)
{
    int32_t port = 0;
    if (argc != 2 || !parseNumber(argv[1], 1, 65535, port)) {
        std::fprintf(stderr, "usage: relay-host PORT   (PORT 1..65535)\n");
        return 2;
    }

    // The signals are taken by a thread of their own, which asks the loop to end.
    sigset_t stopSignals = blockStopSignals();

    EventLoop loop;
    if (!loop.isValid()) {
        std::fprintf(stderr, "relay-host: cannot create the event loop: %s\n", std::strerror(errno));
        return 1;
    }
    static RelayServer server;
    loop.setHandler(dispatch, &server);
    if (server.Open(&loop, port) != 0) {
        std::fprintf(stderr, "relay-host: cannot open UDP port %d: %s\n", port, std::strerror(errno));
        return 1;
    }
    loop.setTimer(TIMER_PEER_SWEEP, PEER_SWEEP_PERIOD_MS);

    std::thread signalWaiter([&loop, &stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        loop.postQuit(0);
    });
    int code = loop.run();
    signalWaiter.join();

    loop.killTimer(TIMER_PEER_SWEEP);
    server.Close();
    return code;
}
