#pragma once
// Helpers for writing the control tables of the templates at compile time.

#include "resources/dialog_template.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr DialogControl makeControl(int id, ControlKind kind, const char* text, int x, int y, int width, int height,
                                    unsigned style = StyleNone, int textLimit = 0)
{
    return {id,
            kind,
            text,
            static_cast<std::int16_t>(x),
            static_cast<std::int16_t>(y),
            static_cast<std::int16_t>(width),
            static_cast<std::int16_t>(height),
            static_cast<std::uint16_t>(style),
            static_cast<std::uint16_t>(textLimit)};
}

// True when a generated table has no entry left at its default (every control has a size).
template <std::size_t count>
constexpr bool everyControlSet(const std::array<DialogControl, count>& controls)
{
    for (const DialogControl& control : controls) {
        if (control.width == 0 || control.height == 0) {
            return false;
        }
    }
    return true;
}
