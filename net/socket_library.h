#pragma once
// The process's socket library: Winsock has to be started before the first socket call and
// stopped after the last; on Linux both do nothing. Called by the program that owns the
// sockets (the worker) and by the test programs.

// 0, or -1 when the library cannot be started (then no stop is due).
int startSocketLibrary();
void stopSocketLibrary();
