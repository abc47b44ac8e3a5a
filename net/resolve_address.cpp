#include "net/resolve_address.h"

#include <cstring>

#include "net/net_results.h"
#include "net/socket_calls.h"

int ResolveAddress(const char* host, int port, SocketAddress& address)
{
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));

    if (host[0] == '\0')
        return NET_UNKNOWN_HOST;
    if (parseDottedIpv4(host, address))
        return 0;

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* answer = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &answer) != 0 || answer == nullptr)
        return NET_UNKNOWN_HOST;
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr;
    freeaddrinfo(answer);
    return 0;
}
