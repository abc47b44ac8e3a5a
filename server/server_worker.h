#pragma once
// The dedicated server's worker: the 16 playback channels, the relay server and the mute flags,
// built on the worker thread, with the server's events only (no capture, no participant link,
// nothing encoded).

#include "shell/worker_thread.h"

// The worker body of the dedicated server: builds those objects and serves their events.
void serveDedicatedServer(WorkerThread& thread, EventLoop& loop, MainWindowView& view);
