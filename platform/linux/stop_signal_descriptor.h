#pragma once
// SIGTERM, SIGINT and SIGHUP turned into a readable descriptor, so that a program's own loop
// ends it in order instead of the signal ending it at once.

// The wake descriptor (wake_descriptor.h) that each of those signals now signals; the same one
// on every call. -1 when it cannot be made or the signals cannot be caught.
int stopSignalDescriptor();
