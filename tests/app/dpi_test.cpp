// Runs in a prefix whose display is at 144 DPI (150 %): the design's twips scale with it.
#include <gtest/gtest.h>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

RECT ControlRect(const e2e::Window& w, int id) {
    RECT r{};
    HWND control = w.Control(id);
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class HighDpi : public app::AppTest {};

TEST_F(HighDpi, TheLauncherScalesItsDesignWithTheDisplay) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 144) << "the prefix is not at 144 DPI";

    auto w = StartLauncher();
    const SIZE size = w.ClientSizePx();
    EXPECT_EQ(size.cx, 756);  // 7560 twips
    EXPECT_EQ(size.cy, 392);  // 3915 twips, rounded
    const POINT origin = w.ClientOriginOnScreen();
    EXPECT_EQ(origin.x, 612);
    EXPECT_EQ(origin.y, 594);
    const RECT next = ControlRect(w, ids::kDefaultBtnNext);
    EXPECT_EQ(next.left, 396);
    EXPECT_EQ(next.top, 336);
    EXPECT_EQ(next.right - next.left, 146);  // 1455 twips
    EXPECT_EQ(next.bottom - next.top, 38);   // 375 twips
    const RECT title = ControlRect(w, ids::kDefaultLbTitle);
    EXPECT_EQ(title.left, 12);
    EXPECT_EQ(title.top, 24);
}

}  // namespace
