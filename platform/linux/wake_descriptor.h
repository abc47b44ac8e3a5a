#pragma once
// A descriptor that turns readable when it is signalled: it wakes a thread that waits on
// descriptors (a Qt socket notifier) from another thread or from a signal handler. Made with
// eventfd, so signals add up until the waiting side drains them.

// -1 when none can be made.
int openWakeDescriptor();
// Async-signal-safe. A signal can only fail to add when the count is at its limit, and then
// the descriptor is readable anyway.
void signalWakeDescriptor(int descriptor);
// Takes every signal so far, so the descriptor waits again; nothing to take is no fault.
void drainWakeDescriptor(int descriptor);
void closeWakeDescriptor(int descriptor);
