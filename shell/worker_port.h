#pragma once
// How the main window reaches its worker: starting it, posting to it and shutting it down.
// Threading: the main thread only.

#include <cstdint>

struct WorkerPort {
    void* context = nullptr;
    // Starts the worker thread, waits until it takes posts, then posts it WM_WORKER_START,
    // retrying while the post fails.
    void (*start)(void* context) = nullptr;
    // False when the worker's queue refused the message.
    bool (*post)(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam) = nullptr;
    // Posts WM_DESTROY and gives the worker the time its shutdown needs (bounded by its watchdog).
    void (*shutdown)(void* context) = nullptr;
};

// The port of a worker object with start(), post() and shutdown(), such as ParticipantWorker.
template <class Worker>
WorkerPort workerPortOf(Worker& worker)
{
    WorkerPort port;
    port.context = &worker;
    port.start = [](void* self) { static_cast<Worker*>(self)->start(); };
    port.post = [](void* self, uint32_t message, uintptr_t wParam, intptr_t lParam) {
        return static_cast<Worker*>(self)->post(message, wParam, lParam);
    };
    port.shutdown = [](void* self) { static_cast<Worker*>(self)->shutdown(); };
    return port;
}
