#include "net/link_endpoint.h"

#include "net/datagram_io.h"
#include "net/wire_protocol.h"

int LinkEndpoint::Send(uint32_t code, const uint8_t* payload, size_t payloadLength)
{
    SocketAddress server;
    if (sessions_.GetSessionAddress(0, server) != 0)
        return NET_SEND_FAILED;
    return sendComposed(socket_, server, static_cast<uint32_t>(sessions_.GetSessionKey(0)), code, payload,
                        payloadLength);
}

int LinkEndpoint::Receive(uint8_t* buffer)
{
    SocketAddress sender;
    int length = receiveChecked(socket_, buffer, sender);
    if (length < 0)
        return length;
    // Only a whole header can carry the key that identifies the server's datagrams.
    if (static_cast<size_t>(length) < HEADER_SIZE || sessions_.FindSession(sender, loadLe32(buffer + 4)) != 0)
        return NET_FOREIGN_DATAGRAM;
    return length;
}

void LinkEndpoint::Disconnect()
{
    socket_.Close();
    sessions_.RemoveSession(0);
}
