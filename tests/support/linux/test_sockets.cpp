#include "tests/support/test_sockets.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "tests/support/udp_peer.h"

int openTestSocket(const sockaddr_in& local, sockaddr_in& bound)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    socklen_t length = sizeof bound;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        ::close(fd);
        return -1;
    }
    // Each received datagram then tells which local address it was sent to.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    return fd;
}

void closeTestSocket(int handle)
{
    ::close(handle);
}

ssize_t sendTestDatagram(int handle, const sockaddr_in& to, const void* bytes, size_t length)
{
    return ::sendto(handle, bytes, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

ssize_t receiveTestDatagram(int handle, uint8_t* buffer, size_t capacity, sockaddr_in& sender, in_addr& destination)
{
    iovec part{buffer, capacity};
    alignas(cmsghdr) uint8_t control[128];
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t length = ::recvmsg(handle, &message, MSG_DONTWAIT);
    if (length < 0)
        return -1;
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr; item = CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(item), sizeof info);
            destination = info.ipi_addr;
        }
    }
    return length;
}

bool waitReadable(int handle, int timeoutMs)
{
    pollfd entry{handle, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN) != 0;
}

bool isNonBlocking(int handle)
{
    const int flags = ::fcntl(handle, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0;
}
