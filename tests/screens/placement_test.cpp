// Every window of the running program lies inside its screen, at its designed size, on the
// screens people have: the Launcher at its designed place when it fits, else moved just
// enough; the others centred. Measured from outside at the prefix's DPI.
#include <gtest/gtest.h>

#include "app/app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

RECT WorkArea() {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

RECT WindowRect(const e2e::Window& w) {
    RECT r{};
    ::GetWindowRect(w.Handle(), &r);
    return r;
}

class Placement : public app::AppTest {
protected:
    void SetUp() override {
        // Measure in the program's own pixels, not in pixels scaled for an unaware process.
        ::SetProcessDPIAware();
        AppTest::SetUp();
        dpi_ = app::ScreenDpi();
        work_ = WorkArea();
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\a.txt", "a"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.1"));
    }

    void ExpectInsideAtSize(const e2e::Window& w, int widthTwips, int heightTwips) {
        const SIZE client = w.ClientSizePx();
        EXPECT_EQ(client.cx, app::Px(widthTwips, dpi_));
        EXPECT_EQ(client.cy, app::Px(heightTwips, dpi_));
        const RECT r = WindowRect(w);
        EXPECT_GE(r.left, work_.left);
        EXPECT_GE(r.top, work_.top);
        EXPECT_LE(r.right, work_.right);
        EXPECT_LE(r.bottom, work_.bottom);
    }

    int dpi_ = 96;
    RECT work_{};
    e2e::TempFolder target_{L"placement target"};
};

TEST_F(Placement, EveryWindowLiesInsideTheScreenAtItsDesignedSize) {
    SCOPED_TRACE(testing::Message() << ::GetSystemMetrics(SM_CXSCREEN) << " x " << ::GetSystemMetrics(SM_CYSCREEN)
                                    << " at " << dpi_ << " DPI, work area to " << work_.right << ", " << work_.bottom);
    auto launcher = StartLauncher();
    ASSERT_TRUE(launcher.Exists());
    ExpectInsideAtSize(launcher, 7560, 3915);
    // Each axis on its own: the designed place where the window fits across (or down), else
    // against the far edge, moved no further than it must.
    const RECT r = WindowRect(launcher);
    const POINT origin = launcher.ClientOriginOnScreen();
    const POINT designed{app::Px(6120, dpi_), app::Px(5940, dpi_)};
    const int right = designed.x - origin.x + r.right;
    const int bottom = designed.y - origin.y + r.bottom;
    if (right <= work_.right) EXPECT_EQ(origin.x, designed.x);
    else EXPECT_EQ(r.right, work_.right);
    if (bottom <= work_.bottom) EXPECT_EQ(origin.y, designed.y);
    else EXPECT_EQ(r.bottom, work_.bottom);
    if (dpi_ == 96 && ::GetSystemMetrics(SM_CXSCREEN) == 1280 && ::GetSystemMetrics(SM_CYSCREEN) == 1024) {
        EXPECT_EQ(origin.x, 408);
        EXPECT_EQ(origin.y, 396);
    }

    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto wizard = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(wizard);
    ExpectInsideAtSize(*wizard, 7440, 5370);
    const RECT w = WindowRect(*wizard);
    EXPECT_NEAR(w.left + w.right, ::GetSystemMetrics(SM_CXSCREEN), 1);

    ASSERT_TRUE(wizard->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, app::kCopyWait);
    ASSERT_TRUE(done);
    ExpectInsideAtSize(*done, 7440, 5370);
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_TRUE(process_.WaitExit(app::kExitWait));
}

}  // namespace
