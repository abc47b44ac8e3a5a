#pragma once
// The connection settings record, copied whole from the main thread to the worker.
// Text fields hold code page 932 bytes, zero-terminated.

#include <cstdint>

struct ConnectSettings {
    char nickname[16];
    char remoteHost[256];
    int32_t serverMode;
    int32_t remotePort;
    int32_t localPort;
};
static_assert(sizeof(ConnectSettings) == 284);
