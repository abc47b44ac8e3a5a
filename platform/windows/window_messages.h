#pragma once
// The window-message ids and socket event bits the event loop's handlers take: the system's own
// WM_DESTROY, WM_COMMAND, WM_TIMER and FD_READ. Winsock 2 comes before windows.h, as it must.

#include <winsock2.h>

#include <windows.h>
