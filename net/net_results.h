#pragma once
// Results of the network layer. Success is 0, a length or a slot index; each failure meaning
// has one name. Two meanings may share a value: the callers always know which operation they
// asked, and the values are the ones the operations have always returned.

// DatagramSocket::Open: no socket can be created.
constexpr int NET_NO_SOCKET = -1;
// DatagramSocket::Open: the port cannot be bound; nothing is held then.
constexpr int NET_CANNOT_BIND = -2;
// A send that did not go out: no socket, no session to send to, or a system error.
constexpr int NET_SEND_FAILED = -1;
// A receive that got nothing: no socket, nothing waiting, a system error, or a datagram too
// long for the buffer (discarded whole).
constexpr int NET_RECEIVE_FAILED = -1;
// A datagram that does not belong: wrong magic, or not from the session expected.
constexpr int NET_FOREIGN_DATAGRAM = -2;
// ResolveAddress: the host is neither a dotted IPv4 address nor a name that resolves to one.
constexpr int NET_UNKNOWN_HOST = -1;
// A session operation on a slot that is not active, a lookup without a match, or no free slot.
constexpr int NET_NO_SESSION = -1;
