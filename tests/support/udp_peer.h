#pragma once
// Test-side UDP sockets on loopback addresses (127.0.0.x), standing in for the remote peers
// of the code under test. Every loopback address works without setup, so each peer can have
// an IPv4 address of its own. Plain sockets, independent of the product's socket classes.
// Threading: one test thread.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_sockets.h"
#include "tests/support/wire_bytes.h"

// Long enough that a datagram on its way always arrives; only a failing test waits this long.
constexpr int ARRIVAL_TIMEOUT_MS = 2000;
// How long a test waits before concluding that nothing was sent.
constexpr int SILENCE_TIMEOUT_MS = 50;

sockaddr_in ipv4Address(const std::string& dotted, uint16_t port);
// 127.0.0.1 at the port of a socket under test (whose ports are ints).
sockaddr_in loopbackAddress(int port);
bool sameEndpoint(const sockaddr_in& a, const sockaddr_in& b);
// True when peers on different loopback addresses send from those addresses, as on Linux and
// Windows. Under Wine every loopback peer sends from 127.0.0.1 (its address() says so), so a
// check that tells senders apart by address alone has nothing to tell apart there.
bool loopbackSendersAreDistinct();
// Waits until the socket has something to read; false when it never did.
bool waitReadable(int handle, int timeoutMs = ARRIVAL_TIMEOUT_MS);
// True when a receive on the socket fails at once instead of waiting for a datagram. Only
// for a socket with nothing waiting.
bool isNonBlocking(int handle);

struct ReceivedDatagram {
    Bytes bytes;
    sockaddr_in sender{};
    // The address the datagram was sent to (its IP header's destination).
    in_addr destination{};

    uint16_t senderPort() const { return ntohs(sender.sin_port); }
    // Header fields, 0 when the datagram is too short to hold them.
    uint32_t sessionKey() const { return wireField(bytes, 4); }
    uint32_t code() const { return wireField(bytes, 8); }
};

class UdpPeer {
public:
    // Bound to dotted (e.g. "127.0.0.2", or "0.0.0.0" for every local address) and the given
    // port, 0 letting the system pick one. isBound() tells whether that worked.
    explicit UdpPeer(const std::string& dotted, uint16_t port = 0);
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;
    UdpPeer(UdpPeer&& other) noexcept;
    UdpPeer& operator=(UdpPeer&& other) noexcept;

    bool isBound() const { return fd_ >= 0; }
    const sockaddr_in& address() const { return address_; }
    // The bound address as dotted text.
    std::string ipv4() const;
    uint16_t port() const { return ntohs(address_.sin_port); }
    // The address of this peer's port on another local address (for a peer bound to 0.0.0.0).
    sockaddr_in portOn(const std::string& dotted) const { return ipv4Address(dotted, port()); }

    ssize_t sendTo(const sockaddr_in& to, const void* bytes, size_t length) const;
    ssize_t sendTo(const sockaddr_in& to, const Bytes& bytes) const;

    // The next datagram, whole; false when none arrives within timeoutMs.
    bool receive(ReceivedDatagram& out, int timeoutMs = ARRIVAL_TIMEOUT_MS) const;
    // Waits until `expected` datagrams have come, then takes whatever else is already
    // waiting too.
    std::vector<ReceivedDatagram> drain(size_t expected = 0) const;
    // True when no datagram arrives within SILENCE_TIMEOUT_MS.
    bool staysSilent() const { return !waitReadable(fd_, SILENCE_TIMEOUT_MS); }

private:
    void closeSocket();

    int fd_ = -1;
    sockaddr_in address_{};
};

// A participant as the tests play it: its own socket and the session key it puts into every
// header it sends.
struct KeyedPeer {
    KeyedPeer(const std::string& dotted, uint32_t sessionKey, uint16_t port = 0) : socket(dotted, port), key(sessionKey)
    {
    }

    // The bytes as they are, to 127.0.0.1:port; true when they went out whole.
    bool sendRaw(int port, const Bytes& bytes) const;
    // Header with this peer's key and the code word, then the payload.
    bool send(int port, uint32_t code, const Bytes& payload = {}) const;

    UdpPeer socket;
    uint32_t key;
};
