#include "tests/support/test_sockets.h"

#include <mswsock.h>

#include <cstring>

#include "tests/support/udp_peer.h"

namespace {

SOCKET systemSocket(int handle)
{
    return static_cast<SOCKET>(handle);
}

// WSARecvMsg, the receive that returns control data, is reached through a function pointer.
LPFN_WSARECVMSG receiveMessageFunction(SOCKET socket)
{
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD length = 0;
    if (::WSAIoctl(socket, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &function, sizeof function, &length,
                   nullptr, nullptr) != 0)
        return nullptr;
    return function;
}

// The address datagrams from this socket really come from. Wine binds a UDP socket asked for
// 127.0.0.x as one on every address, so its datagrams leave from 127.0.0.1 whatever
// getsockname says; an empty datagram to itself shows the true sender.
bool learnSendingAddress(SOCKET socket, sockaddr_in& bound)
{
    if (bound.sin_addr.s_addr == htonl(INADDR_ANY))
        return true;
    char none = 0;
    sockaddr_in sender{};
    int length = sizeof sender;
    if (::sendto(socket, &none, 0, 0, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
        !waitReadable(static_cast<int>(socket), ARRIVAL_TIMEOUT_MS) ||
        ::recvfrom(socket, &none, 1, 0, reinterpret_cast<sockaddr*>(&sender), &length) != 0)
        return false;
    bound.sin_addr = sender.sin_addr;
    return true;
}

}

int openTestSocket(const sockaddr_in& local, sockaddr_in& bound)
{
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket == INVALID_SOCKET)
        return -1;
    int length = sizeof bound;
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length) != 0 ||
        !learnSendingAddress(socket, bound)) {
        ::closesocket(socket);
        return -1;
    }
    // Each received datagram then tells which local address it was sent to.
    const DWORD on = 1;
    ::setsockopt(socket, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&on), sizeof on);
    return static_cast<int>(socket);
}

void closeTestSocket(int handle)
{
    ::closesocket(systemSocket(handle));
}

ssize_t sendTestDatagram(int handle, const sockaddr_in& to, const void* bytes, size_t length)
{
    return ::sendto(systemSocket(handle), static_cast<const char*>(bytes), static_cast<int>(length), 0,
                    reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

ssize_t receiveTestDatagram(int handle, uint8_t* buffer, size_t capacity, sockaddr_in& sender, in_addr& destination)
{
    const LPFN_WSARECVMSG receiveMessage = receiveMessageFunction(systemSocket(handle));
    if (receiveMessage == nullptr)
        return -1;
    WSABUF part{static_cast<ULONG>(capacity), reinterpret_cast<CHAR*>(buffer)};
    alignas(WSACMSGHDR) char control[128];
    WSAMSG message{};
    message.name = reinterpret_cast<sockaddr*>(&sender);
    message.namelen = sizeof sender;
    message.lpBuffers = &part;
    message.dwBufferCount = 1;
    message.Control = WSABUF{sizeof control, control};
    DWORD length = 0;
    if (receiveMessage(systemSocket(handle), &message, &length, nullptr, nullptr) != 0)
        return -1;
    for (WSACMSGHDR* item = WSA_CMSG_FIRSTHDR(&message); item != nullptr; item = WSA_CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_PKTINFO) {
            IN_PKTINFO info;
            std::memcpy(&info, WSA_CMSG_DATA(item), sizeof info);
            destination = info.ipi_addr;
        }
    }
    return static_cast<ssize_t>(length);
}

bool waitReadable(int handle, int timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(systemSocket(handle), &readable);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

bool isNonBlocking(int handle)
{
    // Winsock cannot be asked for the mode. A receive timeout keeps a blocking socket from
    // hanging the test: it fails with WSAETIMEDOUT after 1 ms, a non-blocking one at once with
    // WSAEWOULDBLOCK.
    const SOCKET socket = systemSocket(handle);
    DWORD timeoutMs = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    char byte;
    const int received = ::recv(socket, &byte, 1, MSG_PEEK);
    const int error = ::WSAGetLastError();
    timeoutMs = 0;
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    return received == SOCKET_ERROR && error == WSAEWOULDBLOCK;
}
