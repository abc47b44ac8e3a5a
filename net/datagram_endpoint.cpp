#include "net/datagram_endpoint.h"

#include "net/datagram_io.h"

int DatagramEndpoint::SendToAddress(const SocketAddress& address, uint32_t sessionKey, uint32_t code,
                                    const uint8_t* payload, size_t payloadLength)
{
    return sendComposed(socket_, address, sessionKey, code, payload, payloadLength);
}

int DatagramEndpoint::SendToSession(int index, uint32_t code, const uint8_t* payload, size_t payloadLength)
{
    SocketAddress address;
    if (sessions_.GetSessionAddress(index, address) != 0)
        return NET_SEND_FAILED;
    return SendToAddress(address, static_cast<uint32_t>(sessions_.GetSessionKey(index)), code, payload, payloadLength);
}

void DatagramEndpoint::Broadcast(uint32_t code, const uint8_t* payload, size_t payloadLength, const bool* recipients)
{
    // The payload is shared by every copy; only the header carries the recipient's key.
    static const uint8_t noPayload[MAX_PAYLOAD] = {};
    const size_t bodyLength = payloadLength < MAX_PAYLOAD ? payloadLength : MAX_PAYLOAD;
    const uint8_t* body = payload ? payload : noPayload;

    constexpr size_t BATCH = DatagramSocket::SEND_BATCH;
    uint8_t headers[BATCH][HEADER_SIZE];
    SocketAddress addresses[BATCH];
    size_t queued = 0;
    for (int index = 0; index < sessions_.capacity(); ++index) {
        if ((recipients && !recipients[index]) || sessions_.GetSessionAddress(index, addresses[queued]) != 0)
            continue;
        writeHeader(headers[queued],
                    PacketHeader{PACKET_MAGIC, static_cast<uint32_t>(sessions_.GetSessionKey(index)), code});
        if (++queued == BATCH) {
            socket_.sendEach(headers, addresses, queued, body, bodyLength);
            queued = 0;
        }
    }
    if (queued > 0)
        socket_.sendEach(headers, addresses, queued, body, bodyLength);
}

int DatagramEndpoint::Receive(uint8_t* buffer, SocketAddress& sender)
{
    return receiveChecked(socket_, buffer, sender);
}
