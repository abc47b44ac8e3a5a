#pragma once
// Waiting on the main thread for work done elsewhere without blocking the worker: the worker's
// window calls are synchronous, so a main thread that waited without serving them would hold
// the worker up (and with it the wait). Posted messages stay queued meanwhile.
// Threading: the main thread.

// Runs work(context) on a helper thread and returns when it has ended; meanwhile the calling
// thread handles the messages other threads send to its windows. When no helper thread can be
// made, the work runs on the calling thread.
void runServingSentMessages(void (*work)(void* context), void* context);
