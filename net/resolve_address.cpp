#include "net/resolve_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstring>

#include "net/net_results.h"

int ResolveAddress(const char* host, int port, SocketAddress& address)
{
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));

    // inet_aton accepts every dotted form the classic inet_addr did, 255.255.255.255 included.
    if (inet_aton(host, &address.sin_addr) != 0)
        return 0;

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* answer = nullptr;
    if (host[0] == '\0' || getaddrinfo(host, nullptr, &hints, &answer) != 0 || answer == nullptr)
        return NET_UNKNOWN_HOST;
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr;
    freeaddrinfo(answer);
    return 0;
}
