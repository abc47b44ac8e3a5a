#include "shell/window_placement.h"

#include <algorithm>

namespace {

// 64-bit, since a hand-edited position near the 32-bit limits plus the window's size overflows.
bool overlaps(int64_t left, int64_t top, int64_t right, int64_t bottom, const DesktopRect& screen)
{
    return left < screen.right && right > screen.left && top < screen.bottom && bottom > screen.top;
}

// The start of a span of `length` moved into [low, high) as little as possible; a span longer
// than the range starts at its beginning.
int32_t moveInto(int32_t start, int32_t length, int32_t low, int32_t high)
{
    int64_t latestStart = std::max<int64_t>(low, static_cast<int64_t>(high) - length);
    return static_cast<int32_t>(std::clamp<int64_t>(start, low, latestStart));
}

}  // namespace

WindowPosition placeWindow(WindowPosition saved, int32_t width, int32_t height, const DesktopRect* screens,
                           size_t screenCount)
{
    if (screenCount == 0)
        return saved;
    int64_t right = static_cast<int64_t>(saved.left) + width;
    int64_t bottom = static_cast<int64_t>(saved.top) + height;
    for (size_t i = 0; i < screenCount; ++i) {
        if (overlaps(saved.left, saved.top, right, bottom, screens[i]))
            return saved;
    }
    const DesktopRect& primary = screens[0];
    return WindowPosition{moveInto(saved.left, width, primary.left, primary.right),
                          moveInto(saved.top, height, primary.top, primary.bottom)};
}
