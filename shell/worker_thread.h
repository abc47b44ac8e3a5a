#pragma once
// The worker of both programs: a thread of its own running the event loop that owns every
// socket, audio device, timer and codec state. The main side only posts to it; the worker
// reaches the window only through the view. What the worker owns and which events it takes
// differ per program (WorkerEvents); the socket library (started for the thread's whole life),
// the start-up handshake, the shutdown and its watchdog are the same.
// Threading: start, post and shutdown are for the main thread; everything else runs on the worker.

#include <cstdint>
#include <semaphore>
#include <thread>

#include "platform/event_loop.h"
#include "platform/main_window_view.h"
#include "shell/worker_port.h"

// A program's objects on the worker thread and their events.
class WorkerEvents {
public:
    // Every message except WM_DESTROY and the exit watchdog's timer, WM_WORKER_START included.
    virtual void handle(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // WM_DESTROY's own steps: what must be closed or said before the watchdog starts.
    virtual void shutDown() = 0;

protected:
    ~WorkerEvents() = default;
};

class WorkerThread : public WorkerPort {
public:
    static constexpr int SHUTDOWN_WATCHDOG_MS = 3000;

    // Runs on the worker thread once its event loop exists: builds the program's objects and
    // hands them to serve(), which returns when the loop has ended.
    using Body = void (*)(WorkerThread& thread, EventLoop& loop, MainWindowView& view);

    // The view must outlive the thread.
    WorkerThread(MainWindowView& view, Body body) : view_(view), body_(body) {}
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the thread, waits until its event loop exists, then posts WM_WORKER_START.
    void start() override;
    // Posts a command (WM_WORKER_CONNECT, WM_COMMAND mute commands, ...). False if the queue is full.
    bool post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    // Posts WM_DESTROY and waits until the worker has finished its shutdown steps (so that what
    // must go out has gone), at most as long as the watchdog allows. False when it did not finish.
    bool shutdown() override;

    // Worker thread only, from the body: takes posts and serves them until the loop ends.
    void serve(WorkerEvents& events);

private:
    void threadMain();
    void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void shutDownWorker();

    // The loop's handler is a member, not a base: the worker may still be delivering events
    // while the destructor waits for it, and destruction rewrites a base's vtable pointer first.
    struct LoopHandler final : EventHandler {
        explicit LoopHandler(WorkerThread& thread) : owner(thread) {}
        void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam) override
        {
            owner.handleEvent(message, wParam, lParam);
        }
        WorkerThread& owner;
    };

    MainWindowView& view_;
    Body body_;
    LoopHandler loopHandler_{*this};
    EventLoop* loop_ = nullptr;
    WorkerEvents* events_ = nullptr;
    std::thread thread_;
    std::binary_semaphore started_{0};
    std::binary_semaphore shutDown_{0};
    bool shutDownSignalled_ = false;  // worker thread only
};

// The body for a program whose objects are built as Objects(loop, view) and take their
// events themselves.
template <class Objects>
void serveWorkerObjects(WorkerThread& thread, EventLoop& loop, MainWindowView& view)
{
    Objects objects(loop, view);
    thread.serve(objects);
}
