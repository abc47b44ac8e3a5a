#pragma once
// A test-side UDP socket on a loopback address: sends raw bytes to the relay under test and
// receives whatever comes back, with a timeout, so the tests see the datagrams exactly as
// they travel. Threading: one test thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class UdpProbe {
public:
    UdpProbe() = default;
    ~UdpProbe();
    UdpProbe(const UdpProbe&) = delete;
    UdpProbe& operator=(const UdpProbe&) = delete;
    UdpProbe(UdpProbe&& other) noexcept;
    UdpProbe& operator=(UdpProbe&& other) noexcept;

    // Binds to ipv4 (e.g. "127.0.0.5") and port (0: the system picks one).
    bool open(const std::string& ipv4, uint16_t port = 0);
    bool isOpen() const { return handle_ >= 0; }
    const std::string& address() const { return address_; }
    uint16_t port() const { return port_; }

    // Sends the bytes as one datagram to 127.0.0.1:targetPort.
    bool sendTo(uint16_t targetPort, const Bytes& bytes) const;
    // The next datagram, or nothing when none arrives within timeoutMs.
    std::optional<Bytes> receive(int timeoutMs);
    // Source port of the datagram last returned by receive().
    uint16_t lastSourcePort() const { return lastSourcePort_; }
    // Everything that is already waiting, without blocking.
    std::vector<Bytes> drain();

private:
    int handle_ = -1;
    std::string address_;
    uint16_t port_ = 0;
    uint16_t lastSourcePort_ = 0;
};

// A UDP port on 0.0.0.0 that was free a moment ago.
uint16_t pickFreeUdpPort();
