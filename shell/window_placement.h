#pragma once
// Where the main window reopens: at its saved top-left corner, unless no screen would show any
// part of it there (a screen since removed or rearranged); then on the primary screen.

#include <cstddef>
#include <cstdint>

#include "shell/connect_settings_store.h"

// A screen or window in desktop coordinates; right and bottom lie just outside it.
struct DesktopRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// `screens` lists the primary screen first. A window that would be seen on no screen is moved
// onto the primary one as little as possible, its top-left corner kept inside. With no screens
// known the saved position is kept.
WindowPosition placeWindow(WindowPosition saved, int32_t width, int32_t height, const DesktopRect* screens,
                           size_t screenCount);
