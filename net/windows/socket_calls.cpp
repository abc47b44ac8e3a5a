#include "net/socket_calls.h"

#include <mswsock.h>

#include <cstring>

#include "net/net_results.h"

int openBoundSocket(int port, int& handle)
{
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket == INVALID_SOCKET)
        return NET_NO_SOCKET;
    SocketAddress local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::closesocket(socket);
        return NET_CANNOT_BIND;
    }
    // Non-blocking from the start, with or without a notification target: a receive with
    // nothing waiting fails at once.
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    // Windows reports an ICMP "port unreachable" for an earlier send as a failure of the next
    // receive on the socket; a relay sending to a participant that has gone would then see
    // receive failures that belong to no datagram. Other systems report nothing on an
    // unconnected socket, and neither does this one after the switch.
    BOOL reportUnreachable = FALSE;
    DWORD unused = 0;
    ::WSAIoctl(socket, SIO_UDP_CONNRESET, &reportUnreachable, sizeof reportUnreachable, nullptr, 0, &unused, nullptr,
               nullptr);
    handle = static_cast<int>(socket);
    return 0;
}

void releaseSocket(int handle)
{
    ::closesocket(static_cast<SOCKET>(handle));
}

int sendDatagram(int handle, const uint8_t* bytes, size_t length, const SocketAddress& to)
{
    const int sent = ::sendto(static_cast<SOCKET>(handle), reinterpret_cast<const char*>(bytes),
                              static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == SOCKET_ERROR ? NET_SEND_FAILED : sent;
}

size_t sendDatagramCopies(int handle, const uint8_t (*headers)[HEADER_SIZE], const SocketAddress* addresses,
                          size_t count, const uint8_t* body, size_t bodyLength)
{
    size_t copiesSent = 0;
    // Winsock has no call for several datagrams: one gathering send per copy.
    for (size_t i = 0; i < count; ++i) {
        WSABUF parts[2] = {{static_cast<ULONG>(HEADER_SIZE), reinterpret_cast<CHAR*>(const_cast<uint8_t*>(headers[i]))},
                           {static_cast<ULONG>(bodyLength), reinterpret_cast<CHAR*>(const_cast<uint8_t*>(body))}};
        DWORD sent = 0;
        if (::WSASendTo(static_cast<SOCKET>(handle), parts, bodyLength > 0 ? 2 : 1, &sent, 0,
                        reinterpret_cast<const sockaddr*>(&addresses[i]), sizeof addresses[i], nullptr, nullptr) == 0)
            ++copiesSent;
    }
    return copiesSent;
}

int receiveDatagram(int handle, uint8_t* buffer, size_t capacity, SocketAddress& sender)
{
    int addressLength = sizeof sender;
    std::memset(&sender, 0, sizeof sender);
    // A datagram longer than the buffer fails with WSAEMSGSIZE and is discarded whole.
    const int received =
        ::recvfrom(static_cast<SOCKET>(handle), reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0,
                   reinterpret_cast<sockaddr*>(&sender), &addressLength);
    return received == SOCKET_ERROR ? NET_RECEIVE_FAILED : received;
}

int boundPort(int handle)
{
    SocketAddress local{};
    int length = sizeof local;
    if (::getsockname(static_cast<SOCKET>(handle), reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

bool parseDottedIpv4(const char* text, SocketAddress& address)
{
    // inet_addr gives INADDR_NONE both for text that is no address and for 255.255.255.255;
    // the caller's lookup still finds the latter.
    const unsigned long value = ::inet_addr(text);
    if (value == INADDR_NONE)
        return false;
    address.sin_addr.s_addr = value;
    return true;
}
