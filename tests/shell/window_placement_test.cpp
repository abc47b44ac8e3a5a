// Where the main window reopens, given the screens of the desk.

#include "shell/window_placement.h"

#include <gtest/gtest.h>

namespace {

// A primary screen and a second one to its left.
constexpr DesktopRect SCREENS[] = {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}};
constexpr int32_t WIDTH = 400;
constexpr int32_t HEIGHT = 300;

WindowPosition place(int32_t left, int32_t top, size_t screenCount = 2)
{
    return placeWindow(WindowPosition{left, top}, WIDTH, HEIGHT, SCREENS, screenCount);
}

void expectAt(WindowPosition position, int32_t left, int32_t top)
{
    EXPECT_EQ(position.left, left);
    EXPECT_EQ(position.top, top);
}

}  // namespace

TEST(WindowPlacement, APositionShowingAnyPartOnAnyScreenIsKept)
{
    expectAt(place(100, 200), 100, 200);
    expectAt(place(-1000, 500), -1000, 500);
    // One pixel column on the primary screen is enough.
    expectAt(place(1919, -299), 1919, -299);
}

TEST(WindowPlacement, APositionNoScreenShowsMovesOntoThePrimaryScreen)
{
    expectAt(place(5000, 100), 1920 - WIDTH, 100);
    expectAt(place(-1000, 2000), 0, 1080 - HEIGHT);
    // The second screen is gone.
    expectAt(place(-1000, 500, 1), 0, 500);
    expectAt(place(INT32_MAX, INT32_MIN), 1920 - WIDTH, 0);
}

TEST(WindowPlacement, WithoutKnownScreensTheSavedPositionStays)
{
    expectAt(placeWindow(WindowPosition{5000, 5000}, WIDTH, HEIGHT, nullptr, 0), 5000, 5000);
}
