#pragma once
// Test-side UDP sockets bound to loopback addresses (127.0.0.x), standing in for the remote
// peers of the socket under test. Every loopback address works without setup, so each peer
// can have an IPv4 address of its own.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "net/socket_address.h"

// Long enough that a datagram on its way always arrives; only a failing test waits this long.
constexpr int ARRIVAL_TIMEOUT_MS = 2000;
// How long a test waits before concluding that nothing was sent.
constexpr int SILENCE_TIMEOUT_MS = 50;

inline SocketAddress ipv4Address(const char* dotted, uint16_t port)
{
    SocketAddress address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, dotted, &address.sin_addr);
    return address;
}

inline bool waitReadable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN) != 0;
}

struct ReceivedDatagram {
    std::vector<uint8_t> bytes;
    SocketAddress sender{};
    // The address the datagram was sent to (its IP header's destination).
    in_addr destination{};
};

class LoopbackPeer {
public:
    // Bound to dotted (e.g. "127.0.0.2", or "0.0.0.0" for every local address) and the given
    // port, 0 letting the system pick one.
    explicit LoopbackPeer(const char* dotted, uint16_t port = 0)
    {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        SocketAddress local = ipv4Address(dotted, port);
        if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            return;
        }
        const int on = 1;
        setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        socklen_t length = sizeof address_;
        bound_ = getsockname(fd_, reinterpret_cast<sockaddr*>(&address_), &length) == 0;
    }
    ~LoopbackPeer()
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    bool isBound() const { return bound_; }
    const SocketAddress& address() const { return address_; }
    uint16_t port() const { return ntohs(address_.sin_port); }
    // The address of this peer's port on another local address (for a peer bound to 0.0.0.0).
    SocketAddress portOn(const char* dotted) const { return ipv4Address(dotted, port()); }

    ssize_t sendTo(const SocketAddress& to, const void* bytes, size_t length)
    {
        return sendto(fd_, bytes, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    ssize_t sendTo(const SocketAddress& to, const std::vector<uint8_t>& bytes)
    {
        return sendTo(to, bytes.data(), bytes.size());
    }

    // The next datagram, whole; false when none arrives within timeoutMs.
    bool receive(ReceivedDatagram& out, int timeoutMs = ARRIVAL_TIMEOUT_MS)
    {
        if (!waitReadable(fd_, timeoutMs)) {
            return false;
        }
        out.bytes.assign(65536, 0);
        iovec part{out.bytes.data(), out.bytes.size()};
        alignas(cmsghdr) uint8_t control[128];
        msghdr message{};
        message.msg_name = &out.sender;
        message.msg_namelen = sizeof out.sender;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t length = recvmsg(fd_, &message, MSG_DONTWAIT);
        if (length < 0) {
            return false;
        }
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

    // True when no datagram arrives within SILENCE_TIMEOUT_MS.
    bool staysSilent() { return !waitReadable(fd_, SILENCE_TIMEOUT_MS); }

private:
    int fd_ = -1;
    bool bound_ = false;
    SocketAddress address_{};
};

inline bool sameEndpoint(const SocketAddress& a, const SocketAddress& b)
{
    return a.sin_family == b.sin_family && a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// A datagram as the wire carries it: header bytes followed by the payload.
inline std::vector<uint8_t> datagramBytes(uint32_t magic, uint32_t sessionKey, uint32_t code,
                                          const std::vector<uint8_t>& payload = {})
{
    std::vector<uint8_t> bytes;
    bytes.reserve(12 + payload.size());
    for (const uint32_t field : {magic, sessionKey, code}) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<uint8_t>(field >> shift));
        }
    }
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

// Bytes 0, 1, 2, ... wrapping at 251 so that a shifted or cut copy shows.
inline std::vector<uint8_t> patternBytes(size_t length)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i % 251);
    }
    return bytes;
}
