#pragma once
// The event loop's system part on POSIX: an eventfd wakes the loop, poll() waits for it and
// for the watched sockets.
// platform/event_loop.h includes it as "event_loop_system.h": the build puts this folder on the
// include path on Linux, and platform/windows/ with its twin on Windows.

class EventLoop;

class EventLoopSystem {
public:
    explicit EventLoopSystem(EventLoop& loop);
    ~EventLoopSystem();
    EventLoopSystem(const EventLoopSystem&) = delete;
    EventLoopSystem& operator=(const EventLoopSystem&) = delete;

    bool isValid() const;
    // Any thread: ends a wait that is in progress or the next one.
    void wake();
    void watch(int) {}
    void unwatch(int) {}
    void timersChanged() {}
    // Queues a notification for every watched socket that has a datagram waiting.
    void queueReadySockets() { pollReadiness(0, false); }
    // Nothing reaches this loop but through its own queue.
    bool dispatchSystemEvent() { return false; }
    // Blocks until woken, a socket is ready or timeoutMs (-1: no limit) passed.
    void wait(int timeoutMs) { pollReadiness(timeoutMs, true); }

private:
    void pollReadiness(int timeoutMs, bool withWakeup);
    void drainWakeup();

    EventLoop& loop_;
    int wakeupFd_ = -1;
};
