#pragma once
// Test helper: UDP sockets on the loopback address through the system's own calls (not the
// product's network code), once per system in linux/ and windows/. A socket is an int as the
// event loop takes it; -1 is none.

#include <cstdint>
#include <string>

// A non-blocking UDP socket bound to an ephemeral loopback port, or -1.
int openLoopbackSocket();
void closeLoopbackSocket(int socket);
uint16_t portOf(int socket);
// True when the whole text went out as one datagram to the loopback port.
bool sendToLoopback(int socket, uint16_t port, const std::string& text);
// The waiting datagram's text, or "<error>".
std::string receiveText(int socket);
