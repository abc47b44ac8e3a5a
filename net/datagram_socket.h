#pragma once
// One non-blocking IPv4 UDP socket whose readiness the event loop reports as a message.
// Threading: worker thread only (the thread that runs the event loop).

#include <cstddef>
#include <cstdint>

#include "net/socket_address.h"

class EventLoop;

class DatagramSocket {
public:
    static constexpr size_t HEADER_BYTES = 12;

    DatagramSocket() = default;
    ~DatagramSocket();
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    // 0; -1 when no socket can be created; -2 when the port cannot be bound (nothing held then).
    int Open(EventLoop* target, uint32_t message, int port);
    int Close();
    // Bytes sent, or -1 (also without a socket).
    int SendTo(const uint8_t* bytes, size_t length, const SocketAddress& address);
    // Sends datagram i = headers[i] followed by the shared body to addresses[i], all in as
    // few system calls as the platform allows. A copy that fails is lost; the others still go.
    void SendEach(const uint8_t (*headers)[HEADER_BYTES], const SocketAddress* addresses, size_t count,
                  const uint8_t* body, size_t bodyLength);
    // Length of the datagram, or -1: no socket, nothing waiting, an error, or a datagram
    // longer than the capacity (discarded whole, never cut short).
    int ReceiveFrom(uint8_t* buffer, size_t capacity, SocketAddress& address);

    bool isOpen() const { return handle_ >= 0; }
    int handle() const { return handle_; }
    // The port the socket is bound to, in host order; 0 without a socket.
    int localPort() const;

private:
    int handle_ = -1;
    EventLoop* target_ = nullptr;
};
