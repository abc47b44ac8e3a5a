#pragma once
// The window-message ids and socket event bits the event loop's handlers take: the system's own
// WM_DESTROY, WM_COMMAND, WM_TIMER and FD_READ. Winsock 2 comes before windows.h, as it must.
// platform/event_loop.h includes it as "window_messages.h": the build puts this folder on the
// include path on Windows, and platform/linux/ with its twin on Linux.

#include <winsock2.h>

#include <windows.h>
