#pragma once
// A desktop session ends its programs with SIGTERM (logout, shutdown, kill), a terminal with
// SIGINT or SIGHUP. The window then closes as by its close box: its position is saved and the
// worker tells the server that this participant leaves, instead of the others waiting for the
// server's time-out. Threading: GUI thread; the signal handler only signals a wake descriptor.

class QWidget;

// Returns 0, or -1 when the signals cannot be watched (the program then runs without).
int closeOnStopSignals(QWidget& window);
