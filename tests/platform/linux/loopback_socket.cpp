#include "tests/platform/loopback_socket.h"

#include <unistd.h>

#include "tests/support/udp_peer.h"

int openLoopbackSocket()
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopbackAddress(0);
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void closeLoopbackSocket(int socket)
{
    close(socket);
}

uint16_t portOf(int socket)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

bool sendToLoopback(int socket, uint16_t port, const std::string& text)
{
    sockaddr_in to = loopbackAddress(port);
    return sendto(socket, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(text.size());
}

std::string receiveText(int socket)
{
    char buffer[64];
    ssize_t length = recv(socket, buffer, sizeof buffer, 0);
    return length < 0 ? std::string("<error>") : std::string(buffer, static_cast<size_t>(length));
}
