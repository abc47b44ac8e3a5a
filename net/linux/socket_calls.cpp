#include "net/socket_calls.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "net/datagram_socket.h"
#include "net/net_results.h"

int openBoundSocket(int port, int& handle)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return NET_NO_SOCKET;
    SocketAddress local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return NET_CANNOT_BIND;
    }
    handle = fd;
    return 0;
}

void releaseSocket(int handle)
{
    ::close(handle);
}

int sendDatagram(int handle, const uint8_t* bytes, size_t length, const SocketAddress& to)
{
    ssize_t sent;
    do {
        sent = ::sendto(handle, bytes, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? NET_SEND_FAILED : static_cast<int>(sent);
}

size_t sendDatagramCopies(int handle, const uint8_t (*headers)[HEADER_SIZE], const SocketAddress* addresses,
                          size_t count, const uint8_t* body, size_t bodyLength)
{
    size_t copiesSent = 0;
    constexpr size_t BATCH = DatagramSocket::SEND_BATCH;
    iovec parts[BATCH][2];
    mmsghdr messages[BATCH];
    size_t next = 0;
    while (next < count) {
        const size_t batch = count - next < BATCH ? count - next : BATCH;
        for (size_t i = 0; i < batch; ++i) {
            parts[i][0] = iovec{const_cast<uint8_t*>(headers[next + i]), HEADER_SIZE};
            parts[i][1] = iovec{const_cast<uint8_t*>(body), bodyLength};
            messages[i] = mmsghdr{};
            messages[i].msg_hdr.msg_name = const_cast<SocketAddress*>(&addresses[next + i]);
            messages[i].msg_hdr.msg_namelen = sizeof(SocketAddress);
            messages[i].msg_hdr.msg_iov = parts[i];
            messages[i].msg_hdr.msg_iovlen = bodyLength > 0 ? 2 : 1;
        }
        int sent = ::sendmmsg(handle, messages, static_cast<unsigned>(batch), 0);
        if (sent < 0 && errno == EINTR)
            continue;
        // The call stops at the first copy that fails: skip that one, go on with the rest.
        const size_t delivered = sent > 0 ? static_cast<size_t>(sent) : 0;
        next += delivered;
        copiesSent += delivered;
        if (sent < static_cast<int>(batch))
            ++next;
    }
    return copiesSent;
}

int receiveDatagram(int handle, uint8_t* buffer, size_t capacity, SocketAddress& sender)
{
    socklen_t addressLength = sizeof sender;
    std::memset(&sender, 0, sizeof sender);
    ssize_t received;
    // MSG_TRUNC makes the kernel report the datagram's full length, so one that did not
    // fit is recognised and dropped instead of being delivered cut short.
    do {
        received =
            ::recvfrom(handle, buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sender), &addressLength);
    } while (received < 0 && errno == EINTR);
    if (received < 0 || static_cast<size_t>(received) > capacity)
        return NET_RECEIVE_FAILED;
    return static_cast<int>(received);
}

int boundPort(int handle)
{
    SocketAddress local{};
    socklen_t length = sizeof local;
    if (::getsockname(handle, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

bool parseDottedIpv4(const char* text, SocketAddress& address)
{
    return inet_aton(text, &address.sin_addr) != 0;
}
