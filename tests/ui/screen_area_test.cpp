// Where a window goes on a monitor, natively: the numbers of real small screens.
#include "ui/screen_area.hpp"

#include <gtest/gtest.h>

namespace {

using setup::ui::CentredOn;
using setup::ui::KeepInside;
using setup::ui::LayoutDpi;
using setup::ui::ScreenRect;

// The Launcher's window around its client area, at a client origin and size in pixels, with
// a frame of 3 pixels and a title bar of 23 (as at 96 DPI; the exact frame does not matter).
ScreenRect Launcher(int x, int y, int width, int height) { return {x - 3, y - 26, x + width + 3, y + height + 3}; }

TEST(KeepInside, AWindowThatFitsStaysExactlyWhereItIs) {
    const ScreenRect designed = Launcher(408, 396, 504, 261);  // 96 DPI on 1280 x 1024
    EXPECT_EQ(KeepInside(designed, {0, 0, 1280, 984}), designed);
    // Touching the edges is inside.
    const ScreenRect edge{0, 0, 1280, 984};
    EXPECT_EQ(KeepInside(edge, edge), edge);
}

TEST(KeepInside, ALauncherBelowTheBottomEdgeMovesUpJustEnough) {
    struct Case {
        int width, height;  // screen
        int x, y, w, h;     // the designed client area at that scale
    } cases[] = {
        {1366, 768, 510, 495, 630, 326},   // 125 %
        {1600, 900, 612, 594, 756, 392},   // 150 %
        {1920, 1080, 714, 693, 882, 457},  // 175 %
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const ScreenRect work{0, 0, c.width, c.height - 40};  // a taskbar along the bottom
        const ScreenRect designed = Launcher(c.x, c.y, c.w, c.h);
        ASSERT_GT(designed.bottom, work.bottom);
        const ScreenRect placed = KeepInside(designed, work);
        EXPECT_EQ(placed.bottom, work.bottom);
        EXPECT_EQ(placed.left, designed.left);  // it fitted across
        EXPECT_EQ(placed.Width(), designed.Width());
        EXPECT_EQ(placed.Height(), designed.Height());
    }
}

TEST(KeepInside, EachEdgeOfTheWorkAreaHoldsTheWindowIn) {
    const ScreenRect work{100, 40, 1000, 700};  // taskbars at the top and on the left
    EXPECT_EQ(KeepInside({-50, 10, 150, 110}, work), (ScreenRect{100, 40, 300, 140}));
    EXPECT_EQ(KeepInside({900, 650, 1100, 750}, work), (ScreenRect{800, 600, 1000, 700}));
    // A monitor to the left of the primary one has negative coordinates.
    const ScreenRect left{-1280, 0, 0, 1024};
    EXPECT_EQ(KeepInside({-100, 500, 100, 600}, left), (ScreenRect{-200, 500, 0, 600}));
}

TEST(KeepInside, AWindowLargerThanTheAreaKeepsItsTitleBarInReach) {
    const ScreenRect placed = KeepInside({300, 300, 1300, 1100}, {0, 0, 800, 600});
    EXPECT_EQ(placed.left, 0);
    EXPECT_EQ(placed.top, 0);
    EXPECT_EQ(placed.Width(), 1000);
    EXPECT_EQ(placed.Height(), 800);
}

TEST(CentredOn, CentresOnTheScreenAndStaysInsideItsWorkArea) {
    const ScreenRect screen{0, 0, 1280, 1024};
    EXPECT_EQ(CentredOn(screen, {0, 0, 1280, 984}, 502, 384), (ScreenRect{389, 320, 891, 704}));
    // Where the centred window would reach under the taskbar, it moves up above it.
    const ScreenRect small{0, 0, 1024, 600};
    const ScreenRect placed = CentredOn(small, {0, 0, 1024, 560}, 760, 540);
    EXPECT_EQ(placed.left, 132);
    EXPECT_EQ(placed.bottom, 560);
    // On a monitor that is not at the screen's origin.
    EXPECT_EQ(CentredOn({1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}, 500, 400), (ScreenRect{1670, 312, 2170, 712}));
}

// The Wizard window's design (7440 x 5370 twips) in a frame of 16 x 39 pixels.
TEST(LayoutDpi, TheTextSizeEnlargesTheLayoutAsFarAsTheWorkAreaLetsIt) {
    // DPI, text size, work area, the layout's DPI. At 225 % on 1366 x 728 the window is as tall
    // as fits (686 + 39 pixels), 1024 wide as wide as fits (1008 + 16); never below the DPI.
    const int cases[][5] = {{96, 100, 1280, 984, 96}, {96, 150, 1280, 984, 144}, {96, 250, 1920, 1400, 216},
                            {96, 0, 1280, 984, 96},   {96, 225, 1366, 728, 184}, {96, 225, 1024, 1400, 195},
                            {120, 100, 640, 440, 120}};
    for (const auto& c : cases)
        EXPECT_EQ(LayoutDpi(c[0], c[1], {7440, 5370}, {16, 39}, {c[2], c[3]}), c[4]) << c[1] << " % on " << c[2];
}

}  // namespace
