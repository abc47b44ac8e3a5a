#include "server/relay/relay_options.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "net/wire_protocol.h"
#include "platform/linux/command_line.h"

namespace {

constexpr int32_t MOST_STATS_SECONDS = 86400;

// The options that take a whole number, as "--name N" or "--name=N".
struct NumberOption {
    const char* name;
    int32_t most;
    int32_t RelayOptions::*field;
};
constexpr NumberOption NUMBER_OPTIONS[] = {{"--port", 65535, &RelayOptions::port},
                                           {"--stats", MOST_STATS_SECONDS, &RelayOptions::statsSeconds}};

const NumberOption* numberOptionOf(const char* argument)
{
    for (const NumberOption& option : NUMBER_OPTIONS) {
        const size_t length = std::strlen(option.name);
        if (std::strncmp(argument, option.name, length) == 0 && (argument[length] == '\0' || argument[length] == '='))
            return &option;
    }
    return nullptr;
}

__attribute__((format(printf, 1, 2))) RelayOptions refused(const char* format, ...)
{
    RelayOptions options;
    options.action = RelayOptions::Action::Refuse;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(options.problem, sizeof options.problem, format, arguments);
    va_end(arguments);
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
        const NumberOption* option = numberOptionOf(argument);
        if (option == nullptr)
            return refused("unknown argument \"%s\"", argument);
        const char* value = argument + std::strlen(option->name);
        if (*value == '=') {
            ++value;
        } else if (index + 1 < argc) {
            value = argv[++index];
        } else {
            return refused("%s needs a value", option->name);
        }
        if (!parseNumber(value, 1, option->most, options.*option->field))
            return refused("%s takes a whole number from 1 to %d, not \"%s\"", option->name, option->most, value);
    }
    if (help) {
        options.action = RelayOptions::Action::Help;
    } else if (version) {
        options.action = RelayOptions::Action::Version;
    }
    return options;
}
