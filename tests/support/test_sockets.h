#pragma once
// The socket calls of the tests' own UDP peers, once per system (linux/, windows/), with
// waitReadable and isNonBlocking of udp_peer.h. A socket is an int as in the product (a
// Winsock SOCKET's values fit in 32 bits); -1 is none.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// The system's socket headers (net/linux/ or net/windows/): types and byte-order functions only.
#include "system_sockets.h"

// A blocking UDP socket bound to local that reports each datagram's destination address;
// the handle with bound = the address it got, or -1.
int openTestSocket(const sockaddr_in& local, sockaddr_in& bound);
void closeTestSocket(int handle);
ssize_t sendTestDatagram(int handle, const sockaddr_in& to, const void* bytes, size_t length);
// Takes the datagram that waits (it must): its length, or -1.
ssize_t receiveTestDatagram(int handle, uint8_t* buffer, size_t capacity, sockaddr_in& sender, in_addr& destination);
