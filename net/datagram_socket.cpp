#include "net/datagram_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/event_loop.h"

DatagramSocket::~DatagramSocket()
{
    Close();
}

int DatagramSocket::Open(EventLoop* target, uint32_t message, int port)
{
    Close();
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return NET_NO_SOCKET;

    SocketAddress local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (port < 0 || port > 65535 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return NET_CANNOT_BIND;
    }

    handle_ = fd;
    target_ = target;
    if (target_)
        target_->watchSocket(fd, message);
    return 0;
}

void DatagramSocket::Close()
{
    if (handle_ < 0)
        return;
    if (target_)
        target_->unwatchSocket(handle_);
    ::close(handle_);
    handle_ = -1;
    target_ = nullptr;
}

int DatagramSocket::SendTo(const uint8_t* bytes, size_t length, const SocketAddress& address)
{
    if (handle_ < 0)
        return NET_SEND_FAILED;
    ssize_t sent;
    do {
        sent = ::sendto(handle_, bytes, length, 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? NET_SEND_FAILED : static_cast<int>(sent);
}

void DatagramSocket::sendEach(const uint8_t (*headers)[HEADER_SIZE], const SocketAddress* addresses, size_t count,
                              const uint8_t* body, size_t bodyLength)
{
    if (handle_ < 0)
        return;
    iovec parts[SEND_BATCH][2];
    mmsghdr messages[SEND_BATCH];
    size_t next = 0;
    while (next < count) {
        const size_t batch = count - next < SEND_BATCH ? count - next : SEND_BATCH;
        for (size_t i = 0; i < batch; ++i) {
            parts[i][0] = iovec{const_cast<uint8_t*>(headers[next + i]), HEADER_SIZE};
            parts[i][1] = iovec{const_cast<uint8_t*>(body), bodyLength};
            messages[i] = mmsghdr{};
            messages[i].msg_hdr.msg_name = const_cast<SocketAddress*>(&addresses[next + i]);
            messages[i].msg_hdr.msg_namelen = sizeof(SocketAddress);
            messages[i].msg_hdr.msg_iov = parts[i];
            messages[i].msg_hdr.msg_iovlen = bodyLength > 0 ? 2 : 1;
        }
        int sent = ::sendmmsg(handle_, messages, static_cast<unsigned>(batch), 0);
        if (sent < 0 && errno == EINTR)
            continue;
        // The call stops at the first copy that fails: skip that one, go on with the rest.
        next += sent > 0 ? static_cast<size_t>(sent) : 0;
        if (sent < static_cast<int>(batch))
            ++next;
    }
}

int DatagramSocket::ReceiveFrom(uint8_t* buffer, size_t capacity, SocketAddress& address)
{
    if (handle_ < 0)
        return NET_RECEIVE_FAILED;
    socklen_t addressLength = sizeof address;
    std::memset(&address, 0, sizeof address);
    ssize_t received;
    // MSG_TRUNC makes the kernel report the datagram's full length, so one that did not
    // fit is recognised and dropped instead of being delivered cut short.
    do {
        received =
            ::recvfrom(handle_, buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&address), &addressLength);
    } while (received < 0 && errno == EINTR);
    if (received < 0 || static_cast<size_t>(received) > capacity)
        return NET_RECEIVE_FAILED;
    return static_cast<int>(received);
}

int DatagramSocket::localPort() const
{
    if (handle_ < 0)
        return 0;
    SocketAddress local{};
    socklen_t length = sizeof local;
    if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}
