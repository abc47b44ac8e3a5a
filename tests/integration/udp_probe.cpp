#include "tests/integration/udp_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace {

// Large enough for any UDP datagram, so the tests see true lengths.
constexpr size_t RECEIVE_CAPACITY = 65536;

sockaddr_in loopbackAddress(const char* ipv4, uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, ipv4, &address.sin_addr);
    return address;
}

}

UdpProbe::~UdpProbe()
{
    if (handle_ >= 0)
        ::close(handle_);
}

UdpProbe::UdpProbe(UdpProbe&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), address_(std::move(other.address_)), port_(other.port_),
      lastSourcePort_(other.lastSourcePort_)
{
}

UdpProbe& UdpProbe::operator=(UdpProbe&& other) noexcept
{
    if (this != &other) {
        if (handle_ >= 0)
            ::close(handle_);
        handle_ = std::exchange(other.handle_, -1);
        address_ = std::move(other.address_);
        port_ = other.port_;
        lastSourcePort_ = other.lastSourcePort_;
    }
    return *this;
}

bool UdpProbe::open(const std::string& ipv4, uint16_t port)
{
    if (handle_ >= 0)
        ::close(handle_);
    handle_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle_ < 0)
        return false;
    sockaddr_in local = loopbackAddress(ipv4.c_str(), port);
    socklen_t length = sizeof local;
    if (::bind(handle_, reinterpret_cast<sockaddr*>(&local), length) != 0 ||
        ::getsockname(handle_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        ::close(handle_);
        handle_ = -1;
        return false;
    }
    address_ = ipv4;
    port_ = ntohs(local.sin_port);
    return true;
}

bool UdpProbe::sendTo(uint16_t targetPort, const Bytes& bytes) const
{
    sockaddr_in target = loopbackAddress("127.0.0.1", targetPort);
    ssize_t sent = ::sendto(handle_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&target),
                            sizeof target);
    return sent == static_cast<ssize_t>(bytes.size());
}

std::optional<Bytes> UdpProbe::receive(int timeoutMs)
{
    pollfd waiting{handle_, POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) <= 0)
        return std::nullopt;
    Bytes buffer(RECEIVE_CAPACITY);
    sockaddr_in source{};
    socklen_t sourceLength = sizeof source;
    ssize_t length = ::recvfrom(handle_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                reinterpret_cast<sockaddr*>(&source), &sourceLength);
    if (length < 0)
        return std::nullopt;
    buffer.resize(static_cast<size_t>(length));
    lastSourcePort_ = ntohs(source.sin_port);
    return buffer;
}

std::vector<Bytes> UdpProbe::drain()
{
    std::vector<Bytes> waiting;
    while (std::optional<Bytes> datagram = receive(0))
        waiting.push_back(std::move(*datagram));
    return waiting;
}

uint16_t pickFreeUdpPort()
{
    UdpProbe probe;
    if (!probe.open("0.0.0.0"))
        return 0;
    return probe.port();
}
