#pragma once
// A connection settings record filled field by field, for the tests of its store and its dialog.

#include <cstring>

#include "conference/connect_settings.h"

inline ConnectSettings settingsRecord(const char* nickname, const char* remoteHost, int32_t serverMode,
                                      int32_t remotePort, int32_t localPort)
{
    ConnectSettings settings{};
    std::strncpy(settings.nickname, nickname, sizeof settings.nickname - 1);
    std::strncpy(settings.remoteHost, remoteHost, sizeof settings.remoteHost - 1);
    settings.serverMode = serverMode;
    settings.remotePort = remotePort;
    settings.localPort = localPort;
    return settings;
}
