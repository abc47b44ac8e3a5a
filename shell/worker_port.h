#pragma once
// How the main window reaches its worker: starting it, posting to it and shutting it down.
// Threading: the main thread only.

#include <cstdint>

class WorkerPort {
public:
    // Starts the worker thread, waits until it takes posts, then posts it WM_WORKER_START,
    // retrying while the post fails.
    virtual void start() = 0;
    // False when the worker's queue refused the message.
    virtual bool post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // Posts WM_DESTROY and gives the worker the time its shutdown needs (bounded by its watchdog).
    // False when the worker did not finish its shutdown in that time.
    virtual bool shutdown() = 0;

protected:
    ~WorkerPort() = default;
};
