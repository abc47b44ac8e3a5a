#include "tests/platform/loopback_socket.h"

#include "tests/support/udp_peer.h"

namespace {

SOCKET asSocket(int socket)
{
    return static_cast<SOCKET>(static_cast<intptr_t>(socket));
}

}  // namespace

// Winsock is started for the whole test program by its socket library environment.
int openLoopbackSocket()
{
    SOCKET handle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (handle == INVALID_SOCKET)
        return -1;
    u_long nonBlocking = 1;
    sockaddr_in address = loopbackAddress(0);
    if (ioctlsocket(handle, FIONBIO, &nonBlocking) != 0 ||
        bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(handle);
        return -1;
    }
    return static_cast<int>(handle);
}

void closeLoopbackSocket(int socket)
{
    closesocket(asSocket(socket));
}

uint16_t portOf(int socket)
{
    sockaddr_in address{};
    int length = sizeof address;
    getsockname(asSocket(socket), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

bool sendToLoopback(int socket, uint16_t port, const std::string& text)
{
    sockaddr_in to = loopbackAddress(port);
    return sendto(asSocket(socket), text.data(), static_cast<int>(text.size()), 0, reinterpret_cast<sockaddr*>(&to),
                  sizeof to) == static_cast<int>(text.size());
}

std::string receiveText(int socket)
{
    char buffer[64];
    int length = recv(asSocket(socket), buffer, sizeof buffer, 0);
    return length < 0 ? std::string("<error>") : std::string(buffer, static_cast<size_t>(length));
}
