#pragma once
// The system's socket calls under DatagramSocket and ResolveAddress, implemented once per
// system in linux/ and windows/. A socket is held as an int on both systems: a file
// descriptor, or a Winsock SOCKET, whose values are kernel handles that always fit in 32 bits
// (INVALID_SOCKET becomes -1). EventLoop::watchSocket takes the same int.

#include <cstddef>
#include <cstdint>

#include "net/socket_address.h"
#include "net/wire_protocol.h"

// A non-blocking IPv4 UDP socket bound to 0.0.0.0:port (0 lets the system pick): 0 with the
// handle set; NET_NO_SOCKET or NET_CANNOT_BIND with nothing held.
int openBoundSocket(int port, int& handle);
void releaseSocket(int handle);

// Bytes sent, or NET_SEND_FAILED.
int sendDatagram(int handle, const uint8_t* bytes, size_t length, const SocketAddress& to);
// Sends headers[i] followed by the shared body to addresses[i] for every i, in as few calls
// as the system allows. A copy that fails is lost; the others still go. Returns the copies sent.
size_t sendDatagramCopies(int handle, const uint8_t (*headers)[HEADER_SIZE], const SocketAddress* addresses,
                          size_t count, const uint8_t* body, size_t bodyLength);
// The length of the next datagram; NET_RECEIVE_FAILED when nothing waits, on an error, or
// when the datagram is longer than capacity (it is discarded whole then).
int receiveDatagram(int handle, uint8_t* buffer, size_t capacity, SocketAddress& sender);
// The port the socket is bound to, in host order; 0 when it cannot be had.
int boundPort(int handle);

// Dotted IPv4 text in every form the classic inet_addr accepts ("127.1" included) into
// address.sin_addr; false when the text is none (255.255.255.255 may be refused here, a
// lookup of the text still finds it).
bool parseDottedIpv4(const char* text, SocketAddress& address);
