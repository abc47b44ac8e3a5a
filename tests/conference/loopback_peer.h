#pragma once
// A test participant: a raw UDP socket on a loopback address that speaks the wire format
// byte for byte, independent of the endpoint classes under test.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/socket_address.h"

struct ReceivedDatagram {
    std::vector<uint8_t> bytes;
    uint32_t sessionKey() const;
    uint32_t code() const;
};

class LoopbackPeer {
public:
    LoopbackPeer(const char* ipv4, uint32_t sessionKey);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    void sendRaw(const uint8_t* bytes, size_t length, int serverPort) const;
    // Header with this peer's key and the code word, then the payload.
    void send(uint32_t code, const uint8_t* payload, size_t payloadLength, int serverPort) const;
    // Waits (up to a second) until `expected` datagrams have come, then takes whatever else
    // is already waiting too.
    std::vector<ReceivedDatagram> drain(size_t expected = 0) const;

    uint32_t key;
    SocketAddress address{};

private:
    int fd_ = -1;
};

// Waits up to a second until fd has something to read; false when it never did.
bool waitReadable(int fd);
