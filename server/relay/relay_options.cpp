#include "server/relay/relay_options.h"

#include <cstdio>
#include <cstring>

#include "net/wire_protocol.h"
#include "platform/posix/command_line.h"

namespace {

constexpr int32_t MOST_STATS_SECONDS = 86400;

RelayOptions refused(const char* format, const char* text)
{
    RelayOptions options;
    options.action = RelayOptions::Action::Refuse;
    std::snprintf(options.problem, sizeof options.problem, format, text);
    return options;
}

}  // namespace

RelayOptions parseRelayOptions(int argc, const char* const* argv)
{
    RelayOptions options;
    options.port = DEFAULT_RELAY_PORT;
    bool help = false;
    bool version = false;
    for (int index = 1; index < argc; ++index) {
        const char* argument = argv[index];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            help = true;
            continue;
        }
        if (std::strcmp(argument, "--version") == 0) {
            version = true;
            continue;
        }
        const bool isPort = std::strncmp(argument, "--port", 6) == 0;
        const bool isStats = std::strncmp(argument, "--stats", 7) == 0;
        const char* name = isPort ? "--port" : "--stats";
        const size_t nameLength = std::strlen(name);
        if ((!isPort && !isStats) || (argument[nameLength] != '\0' && argument[nameLength] != '=')) {
            return refused("unknown argument \"%s\"", argument);
        }
        const char* value = argument[nameLength] == '=' ? argument + nameLength + 1 : nullptr;
        if (value == nullptr) {
            if (index + 1 == argc) {
                return refused("%s needs a value", name);
            }
            value = argv[++index];
        }
        const bool valid = isPort ? parseNumber(value, 1, 65535, options.port)
                                  : parseNumber(value, 1, MOST_STATS_SECONDS, options.statsSeconds);
        if (!valid) {
            RelayOptions bad = refused("%s", name);
            const size_t used = std::strlen(bad.problem);
            std::snprintf(bad.problem + used, sizeof bad.problem - used, " takes a whole number from 1 to %d, not \"%s\"",
                          isPort ? 65535 : MOST_STATS_SECONDS, value);
            return bad;
        }
    }
    if (help) {
        options.action = RelayOptions::Action::Help;
    } else if (version) {
        options.action = RelayOptions::Action::Version;
    }
    return options;
}
