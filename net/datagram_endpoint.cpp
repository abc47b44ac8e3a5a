#include "net/datagram_endpoint.h"

#include "net/datagram_io.h"

int DatagramEndpoint::SendToAddress(const SocketAddress& address, uint32_t sessionKey, uint32_t code,
                                    const uint8_t* payload, size_t payloadLength)
{
    return sendComposed(*this, address, sessionKey, code, payload, payloadLength);
}

int DatagramEndpoint::SendToSession(int index, uint32_t code, const uint8_t* payload, size_t payloadLength)
{
    SocketAddress address;
    if (GetSessionAddress(index, address) != 0)
        return -1;
    return SendToAddress(address, static_cast<uint32_t>(GetSessionKey(index)), code, payload, payloadLength);
}

int DatagramEndpoint::Broadcast(uint32_t code, const uint8_t* payload, size_t payloadLength)
{
    // Composed once; each copy differs only in its recipient's key.
    uint8_t datagram[MAX_DATAGRAM];
    size_t length = composeDatagram(datagram, 0, code, payload, payloadLength);
    SocketAddress address;
    for (int index = 0; index < capacity(); ++index) {
        if (GetSessionAddress(index, address) != 0)
            continue;
        storeLe32(datagram + 4, static_cast<uint32_t>(GetSessionKey(index)));
        SendTo(datagram, length, address);
    }
    return 0;
}

int DatagramEndpoint::Receive(uint8_t* buffer, SocketAddress& sender)
{
    return receiveChecked(*this, buffer, sender);
}
