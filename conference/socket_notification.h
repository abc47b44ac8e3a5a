#pragma once
// Reading a socket's readiness notification the same way in both conference roles.
// Threading: worker thread only.

#include <cstdint>

// True when the notification says a datagram waits to be read. A socket error is written as
// errorLine and nothing is read for it.
bool datagramWaits(intptr_t lParam, const char* errorLine);
