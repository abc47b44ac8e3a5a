#include "net/datagram_io.h"

#include <cstring>

#include "net/wire_protocol.h"

size_t composeDatagram(uint8_t* datagram, uint32_t sessionKey, uint32_t code, const uint8_t* payload,
                       size_t payloadLength)
{
    writeHeader(datagram, PacketHeader{PACKET_MAGIC, sessionKey, code});
    size_t copied = payloadLength < MAX_PAYLOAD ? payloadLength : MAX_PAYLOAD;
    // Only what is sent is written; a missing payload goes out as zero bytes, never as
    // whatever the buffer held before.
    if (payload)
        std::memcpy(datagram + HEADER_SIZE, payload, copied);
    else
        std::memset(datagram + HEADER_SIZE, 0, copied);
    return HEADER_SIZE + copied;
}

int sendComposed(DatagramSocket& socket, const SocketAddress& address, uint32_t sessionKey, uint32_t code,
                 const uint8_t* payload, size_t payloadLength)
{
    uint8_t datagram[MAX_DATAGRAM];
    size_t length = composeDatagram(datagram, sessionKey, code, payload, payloadLength);
    return socket.SendTo(datagram, length, address);
}

int receiveChecked(DatagramSocket& socket, uint8_t* buffer, SocketAddress& sender)
{
    int length = socket.ReceiveFrom(buffer, MAX_DATAGRAM, sender);
    if (length < 0)
        return NET_RECEIVE_FAILED;
    if (length < 4 || loadLe32(buffer) != PACKET_MAGIC)
        return NET_FOREIGN_DATAGRAM;
    return length;
}
