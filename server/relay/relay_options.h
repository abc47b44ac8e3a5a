#pragma once
// The command line of kovaro-relay, the relay server for machines without a desktop.

#include <cstdint>

constexpr char RELAY_USAGE[] = "usage: kovaro-relay [--port N] [--stats SECONDS] [--version] [--help]";

struct RelayOptions {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    int32_t port = 0;
    // Seconds between statistics lines; 0: none.
    int32_t statsSeconds = 0;
    // With Refuse: what is wrong, as one line.
    char problem[160] = {};
};

// --port 1..65535 (default: the relay's usual port), --stats 1..86400, --version, --help;
// "--port=N" and "--stats=S" too. --help and --version win over the rest.
RelayOptions parseRelayOptions(int argc, const char* const* argv);
