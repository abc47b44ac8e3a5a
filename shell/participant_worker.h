#pragma once
// The participant program's worker: a thread of its own running the event loop that owns
// every socket, audio device, timer and codec state. The main side only posts to it; the
// worker reaches the window only through the view.
// Threading: start, post and shutdown are for the main thread; everything else runs on the worker.

#include <cstdint>
#include <semaphore>
#include <thread>

#include "platform/event_loop.h"
#include "platform/main_window_view.h"

struct WorkerObjects;

class ParticipantWorker {
public:
    static constexpr int SHUTDOWN_WATCHDOG_MS = 3000;

    explicit ParticipantWorker(const MainWindowView& view) : view_(view) {}
    ~ParticipantWorker();
    ParticipantWorker(const ParticipantWorker&) = delete;
    ParticipantWorker& operator=(const ParticipantWorker&) = delete;

    // Starts the thread, waits until its event loop exists, then posts WM_WORKER_START.
    void start();
    // Posts a command (WM_WORKER_CONNECT, WM_COMMAND mute commands, ...). False if the queue is full.
    bool post(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Posts WM_DESTROY and waits until the worker has finished its shutdown steps (so that
    // MSG_LEAVE has gone out), at most as long as the watchdog allows. False when it did not finish.
    bool shutdown();

private:
    void threadMain();
    static void dispatch(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void handle(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void openDevices();
    void handleCommand(uintptr_t wParam, intptr_t lParam);
    void shutDownWorker();

    MainWindowView view_;
    EventLoop* loop_ = nullptr;
    WorkerObjects* objects_ = nullptr;
    std::thread thread_;
    std::binary_semaphore started_{0};
    std::binary_semaphore shutDown_{0};
    bool shutDownSignalled_ = false;  // worker thread only
};
