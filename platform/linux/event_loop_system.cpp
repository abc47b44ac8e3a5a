#include "event_loop_system.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/event_loop.h"

EventLoopSystem::EventLoopSystem(EventLoop& loop) : loop_(loop), wakeupFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

EventLoopSystem::~EventLoopSystem()
{
    if (wakeupFd_ >= 0)
        close(wakeupFd_);
}

bool EventLoopSystem::isValid() const
{
    return wakeupFd_ >= 0;
}

void EventLoopSystem::wake()
{
    const uint64_t one = 1;
    ssize_t written = write(wakeupFd_, &one, sizeof one);
    // A full counter (EAGAIN) still leaves the descriptor readable.
    (void)written;
}

void EventLoopSystem::drainWakeup()
{
    uint64_t count = 0;
    ssize_t got = read(wakeupFd_, &count, sizeof count);
    (void)got;
}

void EventLoopSystem::pollReadiness(int timeoutMs, bool withWakeup)
{
    using WatchedSocket = EventLoop::WatchedSocket;
    pollfd fds[1 + EventLoop::SOCKET_CAPACITY];
    WatchedSocket* owners[1 + EventLoop::SOCKET_CAPACITY];
    nfds_t count = 0;
    if (withWakeup) {
        fds[count] = pollfd{wakeupFd_, POLLIN, 0};
        owners[count++] = nullptr;
    }
    for (WatchedSocket& socket : loop_.sockets_) {
        if (socket.fd < 0 || socket.notificationQueued)
            continue;
        fds[count] = pollfd{socket.fd, POLLIN, 0};
        owners[count++] = &socket;
    }
    if (count == 0 || poll(fds, count, timeoutMs) <= 0)
        return;

    for (nfds_t i = 0; i < count; ++i) {
        const short events = fds[i].revents;
        if (events == 0)
            continue;
        WatchedSocket* socket = owners[i];
        if (!socket) {
            drainWakeup();
            continue;
        }
        if (events & POLLNVAL) {
            // Closed without unwatchSocket: forget it rather than spin on it, and so a
            // socket later opened under the same number is not reported unasked.
            socket->fd = -1;
            continue;
        }
        uint32_t error = 0;
        if (events & POLLERR) {
            int pending = 0;
            socklen_t length = sizeof pending;
            if (getsockopt(socket->fd, SOL_SOCKET, SO_ERROR, &pending, &length) == 0)
                error = static_cast<uint32_t>(pending) & 0xFFFFu;
        }
        loop_.queueNotification(*socket, static_cast<intptr_t>(FD_READ | error << 16));
    }
}
