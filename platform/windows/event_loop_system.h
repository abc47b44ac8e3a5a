#pragma once
// The event loop's system part on Windows: a hidden window of class "ZUBEXWORKERWINDOW" on the
// loop's thread. It is a message-only window: it needs no desktop (a service or a headless
// session has none) and takes no broadcasts. A posted event wakes it with a window message; Winsock reports datagrams
// to it (WSAAsyncSelect, FD_READ); a window timer wakes it for the loop's own timers. Its window procedure delivers the
// loop's events too, so they keep flowing inside any message loop the thread runs, such as a message box's.
// platform/event_loop.h includes it as "event_loop_system.h": the build puts this folder on the
// include path on Windows, and platform/linux/ with its twin on Linux.

#include <winsock2.h>

#include <windows.h>

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
    void watch(int fd);
    void unwatch(int fd);
    // The timers changed: the window timer is set again for the earliest.
    void timersChanged();
    // Queues a notification for every watched socket that has a datagram waiting.
    void queueReadySockets();
    // Takes the thread's window messages until one of them delivered an event to the handler;
    // false when none did.
    bool dispatchSystemEvent();
    // Blocks until a window message arrives or timeoutMs (-1: no limit) passed.
    void wait(int timeoutMs);

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool handle(UINT message, WPARAM wParam, LPARAM lParam);

    EventLoop& loop_;
    HWND window_ = nullptr;
    // Counts deliveries made from the window procedure, so a message pump can tell whether
    // a message it dispatched was an event.
    unsigned long deliveries_ = 0;
};
