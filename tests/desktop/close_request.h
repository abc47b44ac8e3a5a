#pragma once
// What a window manager sends when a person clicks a window's close box: a WM_DELETE_WINDOW
// client message. xdotool can only destroy or kill a window, and without a window manager
// nobody else turns a close request into this message.

#include <cstdint>

// Sends the close request to the window on $DISPLAY; false when the display cannot be opened.
bool requestWindowClose(uint32_t window);
