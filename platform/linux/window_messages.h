#pragma once
// The window-message ids and socket event bits the event loop's handlers take, with the values
// Windows gives them.
// platform/event_loop.h includes it as "window_messages.h": the build puts this folder on the
// include path on Linux, and platform/windows/ with its twin on Windows.

#include <cstdint>

constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_TIMER = 0x0113;

// Event half of a socket notification's lParam; the error half is the high 16 bits.
constexpr uint32_t FD_READ = 0x0001;
