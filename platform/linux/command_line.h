#pragma once
// What the command-line programs share about their arguments and their end.

#include <signal.h>

#include <cstdint>

// A whole decimal number within low..high; false for anything else.
bool parseNumber(const char* text, long low, long high, int32_t& value);

// Blocks SIGINT and SIGTERM in this thread and every thread started after it, so that they
// are taken only where the program waits for them (sigwait or a signalfd); returns that set.
sigset_t blockStopSignals();
