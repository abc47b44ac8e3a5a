#pragma once
// One non-blocking IPv4 UDP socket whose readiness the event loop reports as a message.
// Threading: worker thread only (the thread that runs the event loop).

#include <cstddef>
#include <cstdint>

#include "net/net_results.h"
#include "net/socket_address.h"
#include "net/wire_protocol.h"

class EventLoop;

// What a socket has passed since it was made: datagrams received (whole, of any content) and
// sent, and their bytes.
struct TrafficCounts {
    uint64_t datagramsIn = 0;
    uint64_t bytesIn = 0;
    uint64_t datagramsOut = 0;
    uint64_t bytesOut = 0;
};

class DatagramSocket {
public:
    // Copies handed to the system in one call by sendEach.
    static constexpr size_t SEND_BATCH = 16;

    DatagramSocket() = default;
    ~DatagramSocket();
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    // 0; NET_NO_SOCKET or NET_CANNOT_BIND (nothing held then).
    int Open(EventLoop* target, uint32_t message, int port);
    void Close();
    // Bytes sent, or NET_SEND_FAILED (also without a socket).
    int SendTo(const uint8_t* bytes, size_t length, const SocketAddress& address);
    // Sends datagram i = headers[i] followed by the shared body to addresses[i], all in as
    // few system calls as the platform allows. A copy that fails is lost; the others still go.
    void sendEach(const uint8_t (*headers)[HEADER_SIZE], const SocketAddress* addresses, size_t count,
                  const uint8_t* body, size_t bodyLength);
    // Length of the datagram, or NET_RECEIVE_FAILED.
    int ReceiveFrom(uint8_t* buffer, size_t capacity, SocketAddress& address);

    bool isOpen() const { return handle_ >= 0; }
    int handle() const { return handle_; }
    // The port the socket is bound to, in host order; 0 without a socket.
    int localPort() const;
    const TrafficCounts& traffic() const { return traffic_; }

private:
    int handle_ = -1;
    TrafficCounts traffic_;
    EventLoop* target_ = nullptr;
};
