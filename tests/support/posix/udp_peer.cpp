#include "tests/support/udp_peer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <utility>

namespace {

// Large enough for any UDP datagram, so the tests see true lengths.
constexpr size_t RECEIVE_CAPACITY = 65536;

}

sockaddr_in ipv4Address(const std::string& dotted, uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, dotted.c_str(), &address.sin_addr);
    return address;
}

sockaddr_in loopbackAddress(int port)
{
    return ipv4Address("127.0.0.1", static_cast<uint16_t>(port));
}

bool sameEndpoint(const sockaddr_in& a, const sockaddr_in& b)
{
    return a.sin_family == b.sin_family && a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

bool waitReadable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN) != 0;
}

UdpPeer::UdpPeer(const std::string& dotted, uint16_t port)
{
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return;
    sockaddr_in local = ipv4Address(dotted, port);
    socklen_t length = sizeof local;
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), length) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address_), &length) != 0) {
        closeSocket();
        address_ = sockaddr_in{};
        return;
    }
    // Each received datagram then tells which local address it was sent to.
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
}

UdpPeer::~UdpPeer()
{
    closeSocket();
}

UdpPeer::UdpPeer(UdpPeer&& other) noexcept : fd_(std::exchange(other.fd_, -1)), address_(other.address_)
{
}

UdpPeer& UdpPeer::operator=(UdpPeer&& other) noexcept
{
    if (this != &other) {
        closeSocket();
        fd_ = std::exchange(other.fd_, -1);
        address_ = other.address_;
    }
    return *this;
}

void UdpPeer::closeSocket()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::string UdpPeer::ipv4() const
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address_.sin_addr, text, sizeof text);
    return text;
}

ssize_t UdpPeer::sendTo(const sockaddr_in& to, const void* bytes, size_t length) const
{
    return ::sendto(fd_, bytes, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

ssize_t UdpPeer::sendTo(const sockaddr_in& to, const Bytes& bytes) const
{
    return sendTo(to, bytes.data(), bytes.size());
}

bool UdpPeer::receive(ReceivedDatagram& out, int timeoutMs) const
{
    if (!waitReadable(fd_, timeoutMs))
        return false;
    out.bytes.assign(RECEIVE_CAPACITY, 0);
    iovec part{out.bytes.data(), out.bytes.size()};
    alignas(cmsghdr) uint8_t control[128];
    msghdr message{};
    message.msg_name = &out.sender;
    message.msg_namelen = sizeof out.sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t length = ::recvmsg(fd_, &message, MSG_DONTWAIT);
    if (length < 0)
        return false;
    out.bytes.resize(static_cast<size_t>(length));
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr; item = CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(item), sizeof info);
            out.destination = info.ipi_addr;
        }
    }
    return true;
}

std::vector<ReceivedDatagram> UdpPeer::drain(size_t expected) const
{
    std::vector<ReceivedDatagram> received;
    for (;;) {
        const int timeoutMs = received.size() < expected ? ARRIVAL_TIMEOUT_MS : 0;
        ReceivedDatagram next;
        if (!receive(next, timeoutMs))
            return received;
        received.push_back(std::move(next));
    }
}

bool KeyedPeer::sendRaw(int port, const Bytes& bytes) const
{
    return socket.sendTo(loopbackAddress(port), bytes) == static_cast<ssize_t>(bytes.size());
}

bool KeyedPeer::send(int port, uint32_t code, const Bytes& payload) const
{
    return sendRaw(port, wireDatagram(key, code, payload));
}
