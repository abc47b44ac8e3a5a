#include "tests/support/udp_peer.h"

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

bool loopbackSendersAreDistinct()
{
    static const bool distinct = UdpPeer("127.0.0.2").ipv4() == "127.0.0.2";
    return distinct;
}

UdpPeer::UdpPeer(const std::string& dotted, uint16_t port)
{
    fd_ = openTestSocket(ipv4Address(dotted, port), address_);
    if (fd_ < 0)
        address_ = sockaddr_in{};
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
        closeTestSocket(fd_);
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
    return sendTestDatagram(fd_, to, bytes, length);
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
    const ssize_t length = receiveTestDatagram(fd_, out.bytes.data(), out.bytes.size(), out.sender, out.destination);
    if (length < 0)
        return false;
    out.bytes.resize(static_cast<size_t>(length));
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
