#include "platform/event_loop.h"

#include <climits>

EventLoop::EventLoop() : clock_(&monotonicClock()), system_(*this)
{
    for (WatchedSocket& socket : sockets_)
        socket.fd = -1;
}

EventLoop::~EventLoop() = default;

bool EventLoop::isValid() const
{
    return system_.isValid();
}

void EventLoop::setHandler(EventHandler& handler)
{
    handler_ = &handler;
}

void EventLoop::setClock(const LoopClock& clock)
{
    clock_ = &clock;
    system_.timersChanged();
}

uint64_t EventLoop::now() const
{
    return clock_->nowMs();
}

bool EventLoop::post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (postedCount_ == QUEUE_CAPACITY)
            return false;
        wasEmpty = queueCount_ == 0;
        queue_[(queueHead_ + queueCount_) % RING_CAPACITY] = Message{message, wParam, lParam, false};
        ++queueCount_;
        ++postedCount_;
    }
    // The loop only blocks after it found the queue empty, so only the first message
    // into an empty queue needs to wake it.
    if (wasEmpty)
        system_.wake();
    return true;
}

void EventLoop::postQuit(int code)
{
    // The wakeup is sent under the lock, unlike post()'s: run() sees the request only under
    // it, so the loop cannot end, and its owner destroy it with its wake-up resource, while
    // this call still uses that.
    std::lock_guard<std::mutex> lock(queueMutex_);
    quitPosted_ = true;
    quitCode_ = code;
    system_.wake();
}

bool EventLoop::quitRequested() const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return quitPosted_;
}

bool EventLoop::hasQueuedMessage() const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return queueCount_ > 0;
}

bool EventLoop::popMessage(Message& out)
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (queueCount_ == 0)
            return false;
        out = queue_[queueHead_];
        queueHead_ = (queueHead_ + 1) % RING_CAPACITY;
        --queueCount_;
        if (!out.fromSocket)
            --postedCount_;
    }
    // Dispatching re-arms the socket: while data still waits, the next check queues
    // another notification, also while this one's handler runs a nested loop.
    if (out.fromSocket) {
        if (WatchedSocket* socket = findSocket(static_cast<int>(out.wParam)))
            socket->notificationQueued = false;
    }
    return true;
}

bool EventLoop::deliverQueued()
{
    Message next;
    if (!popMessage(next))
        return false;
    deliver(next.message, next.wParam, next.lParam);
    return true;
}

void EventLoop::queueNotification(WatchedSocket& socket, intptr_t lParam)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    // Cannot overflow: posts never use the SOCKET_CAPACITY extra entries, and each
    // socket has at most one notification queued.
    queue_[(queueHead_ + queueCount_) % RING_CAPACITY] =
        Message{socket.message, static_cast<uintptr_t>(socket.fd), lParam, true};
    ++queueCount_;
    socket.notificationQueued = true;
}

void EventLoop::dropNotifications(int fd)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    size_t kept = 0;
    for (size_t i = 0; i < queueCount_; ++i) {
        const Message& entry = queue_[(queueHead_ + i) % RING_CAPACITY];
        if (entry.fromSocket && entry.wParam == static_cast<uintptr_t>(fd))
            continue;
        queue_[(queueHead_ + kept) % RING_CAPACITY] = entry;
        ++kept;
    }
    queueCount_ = kept;
}

EventLoop::WatchedSocket* EventLoop::findSocket(int fd)
{
    for (WatchedSocket& socket : sockets_) {
        if (socket.fd == fd)
            return &socket;
    }
    return nullptr;
}

int EventLoop::watchSocket(int fd, uint32_t message)
{
    if (fd < 0)
        return -1;
    WatchedSocket* socket = findSocket(fd);
    if (!socket)
        socket = findSocket(-1);
    if (!socket)
        return -1;
    if (socket->fd != fd) {
        *socket = WatchedSocket{fd, message, false};
        system_.watch(fd);
    }
    socket->message = message;
    return 0;
}

void EventLoop::unwatchSocket(int fd)
{
    WatchedSocket* socket = fd < 0 ? nullptr : findSocket(fd);
    if (!socket)
        return;
    if (socket->notificationQueued)
        dropNotifications(fd);
    socket->fd = -1;
    system_.unwatch(fd);
}

EventLoop::Timer* EventLoop::findTimer(uint32_t timerId)
{
    for (Timer& timer : timers_) {
        if (timer.running && timer.id == timerId)
            return &timer;
    }
    return nullptr;
}

void EventLoop::setTimer(uint32_t timerId, uint32_t periodMs)
{
    Timer* timer = findTimer(timerId);
    for (size_t i = 0; !timer && i < TIMER_CAPACITY; ++i) {
        if (!timers_[i].running)
            timer = &timers_[i];
    }
    if (!timer)
        return;
    // A zero period would expire on every pass; one millisecond is the finest step.
    const uint32_t period = periodMs == 0 ? 1 : periodMs;
    *timer = Timer{timerId, period, now() + period, true};
    system_.timersChanged();
}

void EventLoop::killTimer(uint32_t timerId)
{
    if (Timer* timer = findTimer(timerId)) {
        timer->running = false;
        system_.timersChanged();
    }
}

bool EventLoop::isTimerRunning(uint32_t timerId) const
{
    for (const Timer& timer : timers_) {
        if (timer.running && timer.id == timerId)
            return true;
    }
    return false;
}

bool EventLoop::takeDueTimer(uint64_t nowMs, uint32_t& timerId)
{
    Timer* earliest = nullptr;
    for (Timer& timer : timers_) {
        if (timer.running && timer.dueMs <= nowMs && (!earliest || timer.dueMs < earliest->dueMs))
            earliest = &timer;
    }
    if (!earliest)
        return false;
    // However many periods passed, this is the one expiry; the next is the first
    // period boundary after now, so a slow handler or a busy queue causes no burst.
    const uint64_t missedPeriods = (nowMs - earliest->dueMs) / earliest->periodMs + 1;
    earliest->dueMs += missedPeriods * earliest->periodMs;
    timerId = earliest->id;
    return true;
}

bool EventLoop::deliverDueTimer()
{
    uint32_t timerId = 0;
    if (!takeDueTimer(now(), timerId))
        return false;
    system_.timersChanged();
    deliver(WM_TIMER, timerId, 0);
    return true;
}

int EventLoop::millisecondsUntilNextTimer() const
{
    const uint64_t nowMs = now();
    uint64_t shortest = UINT64_MAX;
    for (const Timer& timer : timers_) {
        if (!timer.running)
            continue;
        const uint64_t wait = timer.dueMs <= nowMs ? 0 : timer.dueMs - nowMs;
        if (wait < shortest)
            shortest = wait;
    }
    if (shortest == UINT64_MAX)
        return -1;
    return shortest > INT_MAX ? INT_MAX : static_cast<int>(shortest);
}

void EventLoop::deliver(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (handler_)
        handler_->handleEvent(message, wParam, lParam);
}

bool EventLoop::dispatchOne(bool wait)
{
    for (;;) {
        system_.queueReadySockets();
        if (deliverQueued())
            return true;
        if (system_.dispatchSystemEvent())
            return true;
        if (deliverDueTimer())
            return true;
        if (!wait || quitRequested())
            return false;
        system_.wait(millisecondsUntilNextTimer());
    }
}

size_t EventLoop::runUntilIdle()
{
    size_t dispatched = 0;
    while (dispatchOne(false))
        ++dispatched;
    return dispatched;
}

int EventLoop::run()
{
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (quitPosted_) {
                quitPosted_ = false;
                return quitCode_;
            }
        }
        dispatchOne(true);
    }
}
