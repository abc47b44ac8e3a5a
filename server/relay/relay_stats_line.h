#pragma once
// kovaro-relay's statistics line: what the relay did between two readings of its counts.

#include <cstddef>

#include "conference/relay_server.h"

// Writes the line, ending in a newline, into line (cut to size); the length it would have.
int formatRelayStats(char* line, size_t size, const RelayStats& now, const RelayStats& before, int seconds);
