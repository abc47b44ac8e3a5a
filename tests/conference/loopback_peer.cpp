#include "loopback_peer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "net/wire_protocol.h"

uint32_t ReceivedDatagram::sessionKey() const
{
    return bytes.size() >= 8 ? loadLe32(bytes.data() + 4) : 0;
}

uint32_t ReceivedDatagram::code() const
{
    return bytes.size() >= 12 ? loadLe32(bytes.data() + 8) : 0;
}

LoopbackPeer::LoopbackPeer(const char* ipv4, uint32_t sessionKey) : key(sessionKey)
{
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    address.sin_family = AF_INET;
    inet_aton(ipv4, &address.sin_addr);
    ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
}

LoopbackPeer::~LoopbackPeer()
{
    ::close(fd_);
}

void LoopbackPeer::sendRaw(const uint8_t* bytes, size_t length, int serverPort) const
{
    SocketAddress server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(serverPort));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd_, bytes, length, 0, reinterpret_cast<const sockaddr*>(&server), sizeof server);
}

void LoopbackPeer::send(uint32_t code, const uint8_t* payload, size_t payloadLength, int serverPort) const
{
    uint8_t datagram[2048] = {};
    writeHeader(datagram, PacketHeader{PACKET_MAGIC, key, code});
    if (payloadLength > 0)
        std::memcpy(datagram + HEADER_SIZE, payload, payloadLength);
    sendRaw(datagram, HEADER_SIZE + payloadLength, serverPort);
}

bool waitReadable(int fd)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 1000) == 1;
}

std::vector<ReceivedDatagram> LoopbackPeer::drain(size_t expected) const
{
    std::vector<ReceivedDatagram> received;
    uint8_t buffer[65536];
    for (;;) {
        if (received.size() < expected && !waitReadable(fd_))
            return received;
        ssize_t length = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (length < 0)
            return received;
        received.push_back(ReceivedDatagram{std::vector<uint8_t>(buffer, buffer + length)});
    }
}
