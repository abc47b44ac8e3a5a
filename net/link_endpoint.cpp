#include "net/link_endpoint.h"

#include "net/datagram_io.h"
#include "net/wire_protocol.h"

int LinkEndpoint::Send(uint32_t code, const uint8_t* payload, size_t payloadLength)
{
    SocketAddress server;
    if (GetSessionAddress(0, server) != 0)
        return -1;
    return sendComposed(*this, server, static_cast<uint32_t>(GetSessionKey(0)), code, payload, payloadLength);
}

int LinkEndpoint::Receive(uint8_t* buffer)
{
    SocketAddress sender;
    int length = receiveChecked(*this, buffer, sender);
    if (length < 0)
        return length;
    // Only a whole header can carry the key that identifies the server's datagrams.
    if (static_cast<size_t>(length) < HEADER_SIZE || FindSession(sender, loadLe32(buffer + 4)) != 0)
        return -2;
    return length;
}

int LinkEndpoint::Disconnect()
{
    Close();
    RemoveSession(0);
    return 0;
}
