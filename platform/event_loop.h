#pragma once
// The worker's event sink: one single-threaded loop that delivers posted messages,
// socket readiness and window-style timers to one handler. On Windows the loop is a hidden
// window of class "ZUBEXWORKERWINDOW" made by the constructor, so a loop must be built on the
// thread that runs it; a message loop of the system there (a message box's) dispatches its
// events too.
// Threading: post() and postQuit() may be called from any thread (post() also from a
// multimedia callback: it takes a lock and posts a window message, nothing else); every other
// member only on the thread that runs the loop.

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "platform/loop_clock.h"

// From the system folder: WM_DESTROY, WM_COMMAND, WM_TIMER and FD_READ (the system's own
// definitions on Windows), and EventLoopSystem, the part of the loop that waits and wakes.
#include "event_loop_system.h"
#include "window_messages.h"

inline constexpr uint32_t socketEvent(intptr_t lParam)
{
    return static_cast<uint32_t>(lParam) & 0xFFFFu;
}
inline constexpr uint32_t socketError(intptr_t lParam)
{
    return (static_cast<uint32_t>(lParam) >> 16) & 0xFFFFu;
}

// What the loop delivers every event to.
class EventHandler {
public:
    virtual void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

protected:
    ~EventHandler() = default;
};

class EventLoop {
public:
    static constexpr size_t QUEUE_CAPACITY = 512;
    static constexpr size_t TIMER_CAPACITY = 16;
    static constexpr size_t SOCKET_CAPACITY = 8;

    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // False when the loop's wake-up descriptor (on Windows its window) could not be created.
    bool isValid() const;

    // The handler must outlive the loop's last dispatch.
    void setHandler(EventHandler& handler);
    // Replaces the millisecond clock the timers run on (tests drive time by hand); the clock
    // must outlive the loop.
    void setClock(const LoopClock& clock);

    // Queues a message behind every message posted before it. False when the queue is full.
    bool post(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Ends run() with the given code once the current event is handled.
    void postQuit(int code);

    // Periodic timer delivered as WM_TIMER with wParam = timerId. Starting a running id
    // restarts it; its period counts from now. At most one expiry is pending per timer and
    // it is delivered only when no posted message waits.
    void setTimer(uint32_t timerId, uint32_t periodMs);
    void killTimer(uint32_t timerId);
    bool isTimerRunning(uint32_t timerId) const;

    // While fd has a datagram waiting, delivers `message` with wParam = fd and
    // lParam = FD_READ | error << 16; one notification at a time per socket, the next
    // one only after the previous was dispatched. Returns 0, or -1 when the table is full.
    // On Windows fd is the SOCKET's value (socket handles fit in 32 bits); the loop selects
    // FD_READ on it for its window (WSAAsyncSelect), which also makes the socket non-blocking.
    int watchSocket(int fd, uint32_t message);
    // Stops notifications for fd and drops any of its notifications still queued.
    void unwatchSocket(int fd);

    // Dispatches one event. With wait, blocks until one is ready (or quit was posted).
    // Returns false when nothing was dispatched.
    bool dispatchOne(bool wait);
    // Dispatches every event that is ready now, without blocking; returns how many.
    size_t runUntilIdle();
    // Dispatches until postQuit; returns the quit code.
    int run();

private:
    friend class EventLoopSystem;

    struct Message {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
        // Queued by the loop itself for a readable socket, not posted.
        bool fromSocket;
    };
    struct Timer {
        uint32_t id;
        uint32_t periodMs;
        uint64_t dueMs;
        bool running;
    };
    struct WatchedSocket {
        int fd;  // -1: entry free
        uint32_t message;
        bool notificationQueued;
    };
    // Room for every post plus one notification per socket, so readiness never
    // takes space a post could have had.
    static constexpr size_t RING_CAPACITY = QUEUE_CAPACITY + SOCKET_CAPACITY;

    bool popMessage(Message& out);
    bool hasQueuedMessage() const;
    // Pops the next queued message and hands it to the handler; false when none waits.
    bool deliverQueued();
    // Hands the earliest due timer to the handler; false when none is due.
    bool deliverDueTimer();
    void queueNotification(WatchedSocket& socket, intptr_t lParam);
    void dropNotifications(int fd);
    bool takeDueTimer(uint64_t now, uint32_t& timerId);
    // -1 when no timer runs.
    int millisecondsUntilNextTimer() const;
    bool quitRequested() const;
    void deliver(uint32_t message, uintptr_t wParam, intptr_t lParam);
    WatchedSocket* findSocket(int fd);
    Timer* findTimer(uint32_t timerId);
    uint64_t now() const;

    EventHandler* handler_ = nullptr;
    const LoopClock* clock_;

    mutable std::mutex queueMutex_;
    Message queue_[RING_CAPACITY] = {};
    size_t queueHead_ = 0;
    size_t queueCount_ = 0;
    size_t postedCount_ = 0;
    bool quitPosted_ = false;
    int quitCode_ = 0;

    Timer timers_[TIMER_CAPACITY] = {};
    WatchedSocket sockets_[SOCKET_CAPACITY] = {};
    // Last: it may reach the members above while it is built and torn down.
    EventLoopSystem system_;
};
