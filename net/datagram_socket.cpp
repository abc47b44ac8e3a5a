#include "net/datagram_socket.h"

#include "net/socket_calls.h"
#include "platform/event_loop.h"

DatagramSocket::~DatagramSocket()
{
    Close();
}

int DatagramSocket::Open(EventLoop* target, uint32_t message, int port)
{
    Close();
    if (port < 0 || port > 65535)
        return NET_CANNOT_BIND;
    int handle = -1;
    const int opened = openBoundSocket(port, handle);
    if (opened != 0)
        return opened;

    handle_ = handle;
    target_ = target;
    if (target_)
        target_->watchSocket(handle_, message);
    return 0;
}

void DatagramSocket::Close()
{
    if (handle_ < 0)
        return;
    if (target_)
        target_->unwatchSocket(handle_);
    releaseSocket(handle_);
    handle_ = -1;
    target_ = nullptr;
}

int DatagramSocket::SendTo(const uint8_t* bytes, size_t length, const SocketAddress& address)
{
    if (handle_ < 0)
        return NET_SEND_FAILED;
    const int sent = sendDatagram(handle_, bytes, length, address);
    if (sent >= 0) {
        ++traffic_.datagramsOut;
        traffic_.bytesOut += static_cast<uint64_t>(sent);
    }
    return sent;
}

void DatagramSocket::sendEach(const uint8_t (*headers)[HEADER_SIZE], const SocketAddress* addresses, size_t count,
                              const uint8_t* body, size_t bodyLength)
{
    if (handle_ < 0)
        return;
    const size_t sent = sendDatagramCopies(handle_, headers, addresses, count, body, bodyLength);
    traffic_.datagramsOut += sent;
    traffic_.bytesOut += sent * (HEADER_SIZE + bodyLength);
}

int DatagramSocket::ReceiveFrom(uint8_t* buffer, size_t capacity, SocketAddress& address)
{
    if (handle_ < 0)
        return NET_RECEIVE_FAILED;
    const int received = receiveDatagram(handle_, buffer, capacity, address);
    if (received >= 0) {
        ++traffic_.datagramsIn;
        traffic_.bytesIn += static_cast<uint64_t>(received);
    }
    return received;
}

int DatagramSocket::localPort() const
{
    if (handle_ < 0)
        return 0;
    return boundPort(handle_);
}
