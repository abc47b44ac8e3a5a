// participant-host: the participant program without its windows. The worker runs as in the
// real program; its window updates are printed one per line (see console_view.h) and mute
// commands are read from standard input:
//   mute send 0|1       mute receive 0|1       mute slot N 0|1       connect
// SIGINT or SIGTERM ends it with the regular shutdown (MSG_LEAVE goes out).

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "conference/connect_settings.h"
#include "conference/mute_flags.h"
#include "conference/voice_processing_switches.h"
#include "conference/worker_events.h"
#include "platform/code_page.h"
#include "platform/priority.h"
#include "shell/participant_worker.h"
#include "platform/linux/command_line.h"
#include "shell/console_view.h"

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: participant-host NICKNAME HOST PORT [--server] [--local-port N]\n"
                 "                        [--echo-cancel 0|1] [--noise-suppression 0|1] [--auto-gain 0|1]\n"
                 "  NICKNAME  UTF-8, at most 15 bytes once in code page 932\n"
                 "  --server  also host the relay server on PORT\n"
                 "  the microphone's echo cancellation, noise suppression and automatic gain are on unless\n"
                 "  switched off with 0\n");
}

// One of the voice-processing switches, "--name 0|1".
bool parseSwitch(const char* option, const char* value, VoiceProcessingSwitches& switches)
{
    struct Named {
        const char* option;
        bool VoiceProcessingSwitches::*field;
    };
    static constexpr Named SWITCHES[] = {{"--echo-cancel", &VoiceProcessingSwitches::echoCancel},
                                         {"--noise-suppression", &VoiceProcessingSwitches::noiseSuppression},
                                         {"--auto-gain", &VoiceProcessingSwitches::autoGain}};
    int32_t on = 0;
    for (const Named& named : SWITCHES) {
        if (std::strcmp(option, named.option) == 0 && value != nullptr && parseNumber(value, 0, 1, on)) {
            switches.*named.field = on != 0;
            return true;
        }
    }
    return false;
}

bool parseArguments(int argc, char** argv, ConnectSettings& settings, VoiceProcessingSwitches& switches)
{
    if (argc < 4)
        return false;
    std::memset(&settings, 0, sizeof settings);
    utf8ToCp932(argv[1], std::strlen(argv[1]), settings.nickname, sizeof settings.nickname);
    if (std::strlen(argv[2]) >= sizeof settings.remoteHost)
        return false;
    std::strcpy(settings.remoteHost, argv[2]);
    if (!parseNumber(argv[3], 1, 65535, settings.remotePort))
        return false;
    for (int index = 4; index < argc; ++index) {
        const char* value = index + 1 < argc ? argv[index + 1] : nullptr;
        if (std::strcmp(argv[index], "--server") == 0)
            settings.serverMode = 1;
        else if (std::strcmp(argv[index], "--local-port") == 0 && value != nullptr &&
                 parseNumber(value, 0, 65535, settings.localPort))
            ++index;
        else if (parseSwitch(argv[index], value, switches))
            ++index;
        else
            return false;
    }
    return true;
}

// One command line from standard input, posted as the main window would post it.
void runCommand(ParticipantWorker& worker, const ConnectSettings& settings, const char* line)
{
    unsigned slot = 0;
    unsigned state = 0;
    if (std::sscanf(line, "mute send %u", &state) == 1)
        worker.post(WM_COMMAND, CMD_MUTE_MASTER, static_cast<intptr_t>(state << 16 | SEND_MUTE_ENTRY));
    else if (std::sscanf(line, "mute receive %u", &state) == 1)
        worker.post(WM_COMMAND, CMD_MUTE_MASTER, static_cast<intptr_t>(state << 16 | RECEIVE_MUTE_ENTRY));
    else if (std::sscanf(line, "mute slot %u %u", &slot, &state) == 2 && slot < SLOT_COUNT)
        worker.post(WM_COMMAND, CMD_MUTE_SLOT, static_cast<intptr_t>(state << 16 | slot));
    else if (std::strncmp(line, "connect", 7) == 0)
        worker.post(WM_WORKER_CONNECT, 0, reinterpret_cast<intptr_t>(&settings));
    else
        std::fprintf(stderr, "participant-host: unknown command: %s\n", line);
}

}

int main(int argc, char** argv)
{
    static ConnectSettings settings;
    VoiceProcessingSwitches switches;
    if (!parseArguments(argc, argv, settings, switches)) {
        usage();
        return 2;
    }

    const sigset_t stopSignals = blockStopSignals();
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);

    raiseProcessPriority();
    static ParticipantWorker worker(consoleView());
    worker.start();
    worker.post(WM_COMMAND, CMD_VOICE_PROCESSING, packSwitches(switches));
    worker.post(WM_WORKER_CONNECT, 0, reinterpret_cast<intptr_t>(&settings));

    char line[256];
    size_t used = 0;
    bool inputOpen = true;
    for (;;) {
        pollfd watched[2] = {{signalFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(watched, inputOpen ? 2 : 1, -1) < 0)
            continue;
        if (watched[0].revents & POLLIN)
            break;
        if (!inputOpen || !(watched[1].revents & (POLLIN | POLLHUP)))
            continue;
        ssize_t got = read(STDIN_FILENO, line + used, sizeof line - 1 - used);
        if (got <= 0) {
            inputOpen = false;
            continue;
        }
        used += static_cast<size_t>(got);
        line[used] = '\0';
        while (char* end = std::strchr(line, '\n')) {
            *end = '\0';
            runCommand(worker, settings, line);
            const size_t rest = used - static_cast<size_t>(end + 1 - line);
            std::memmove(line, end + 1, rest + 1);
            used = rest;
        }
        if (used == sizeof line - 1)
            used = 0;  // an over-long line is dropped
    }

    // A worker stuck in its shutdown is not waited for any longer than the watchdog allows.
    if (!worker.shutdown()) {
        std::fflush(stdout);
        std::_Exit(0);
    }
    return 0;
}
