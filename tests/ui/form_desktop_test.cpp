// The form runtime on the desktop of the test's choosing: monitors of other sizes and DPIs, a
// DPI change while a window is placed.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/control_ids.hpp"
#include "ui/designs.hpp"
#include "ui/fake_desktop.hpp"
#include "ui/form.hpp"

namespace setup::test {
namespace {

using ui::Form;

class PlainForm : public Form {
public:
    using Form::Form;
};

RECT WindowRect(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

SIZE ClientSize(HWND hwnd) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

POINT ClientOrigin(HWND hwnd) {
    POINT p{0, 0};
    ::ClientToScreen(hwnd, &p);
    return p;
}

// Where each window of the program was created: the rectangle CreateWindowEx was given.
struct Creation {
    std::wstring windowClass;
    RECT rect;
};
std::vector<Creation>* creations = nullptr;

LRESULT CALLBACK RecordCreation(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && creations) {
        wchar_t name[64] = {};
        ::GetClassNameW(reinterpret_cast<HWND>(wp), name, 64);
        const auto* cs = reinterpret_cast<const CBT_CREATEWNDW*>(lp)->lpcs;
        if (std::wstring(name).starts_with(L"setup."))
            creations->push_back({name, {cs->x, cs->y, cs->x + cs->cx, cs->y + cs->cy}});
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        creations = &created_;
        hook_ = ::SetWindowsHookExW(WH_CBT, RecordCreation, nullptr, ::GetCurrentThreadId());
        ASSERT_TRUE(hook_);
    }
    void TearDown() override {
        ::UnhookWindowsHookEx(hook_);
        creations = nullptr;
    }

    FakeDesktop desktop;
    std::vector<Creation> created_;
    HHOOK hook_ = nullptr;
};

// A monitor of 1600 x 900 at 150 % with a taskbar: the Launcher's designed place (612, 594)
// would put its buttons under the taskbar.
TEST_F(Placement, TheLauncherIsBornOnItsMonitorAtItsDpiAndMovedJustInsideTheWorkArea) {
    desktop.monitor = {{0, 0, 1600, 900}, {0, 0, 1600, 860}, 144};
    PlainForm launcher(ui::LauncherDesign(), desktop);
    launcher.Load();
    ASSERT_TRUE(launcher.Loaded());
    const RECT placed = WindowRect(launcher.Handle());
    EXPECT_EQ(ClientSize(launcher.Handle()).cx, 756);
    EXPECT_EQ(ClientSize(launcher.Handle()).cy, 392);
    EXPECT_TRUE(Inside(placed, desktop.monitor.work));
    EXPECT_EQ(placed.bottom, 860);
    EXPECT_EQ(ClientOrigin(launcher.Handle()).x, 612);  // it fitted across
    ASSERT_EQ(created_.size(), 1u);
    // Created at its place and a size for 144 DPI, not somewhere by default to be fixed later.
    const RECT born = created_[0].rect;
    EXPECT_TRUE(Inside(born, desktop.monitor.work));
    EXPECT_GE(born.right - born.left, 756);
    EXPECT_GE(born.bottom - born.top, 392);
    EXPECT_EQ(born.bottom, 860);
}

TEST_F(Placement, AtItsDesignedPlaceWhenItFits) {
    desktop.monitor = {{0, 0, 1280, 1024}, {0, 0, 1280, 984}, 96};
    PlainForm launcher(ui::LauncherDesign(), desktop);
    launcher.Load();
    EXPECT_EQ(ClientOrigin(launcher.Handle()).x, 408);
    EXPECT_EQ(ClientOrigin(launcher.Handle()).y, 396);
    EXPECT_EQ(ClientSize(launcher.Handle()).cx, 504);
    EXPECT_EQ(ClientSize(launcher.Handle()).cy, 261);
}

TEST_F(Placement, ACentredWindowStaysCentredAndInsideASmallWorkArea) {
    // 1024 x 600 at 120 DPI with a tall taskbar: the centred Wizard window would reach under it.
    desktop.monitor = {{0, 0, 1024, 600}, {0, 0, 1024, 500}, 120};
    PlainForm wizard(ui::WizardDesign(), desktop);
    wizard.Load();
    const RECT placed = WindowRect(wizard.Handle());
    EXPECT_EQ(ClientSize(wizard.Handle()).cx, 620);
    EXPECT_EQ(ClientSize(wizard.Handle()).cy, 448);
    EXPECT_TRUE(Inside(placed, desktop.monitor.work));
    EXPECT_EQ(placed.bottom, 500);
    EXPECT_NEAR(placed.left + placed.right, 1024, 1);
}

// Sends WM_DPICHANGED to the Wizard window once, at the first `moment` message it gets, as
// Windows does when the window's place lies on a monitor of another DPI.
struct DpiChange {
    UINT moment;
    int dpi;
} dpiChange{};

LRESULT CALLBACK ChangeDpiWhilePlaced(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && dpiChange.dpi && m->message == dpiChange.moment) {
        wchar_t name[64] = {};
        ::GetClassNameW(m->hwnd, name, 64);
        if (std::wstring(name) == ids::kSetupClass) {
            const int dpi = std::exchange(dpiChange.dpi, 0);
            RECT suggested{5, 5, 600, 500};
            ::SendMessageW(m->hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

// While it is created, and when the placing first moves it.
TEST_F(Placement, ADpiChangeWhileTheWindowIsPlacedLeavesTheClientSizeOfTheFinalDpi) {
    for (UINT moment : {WM_CREATE, WM_WINDOWPOSCHANGING}) {
        SCOPED_TRACE(moment);
        HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, ChangeDpiWhilePlaced, nullptr, ::GetCurrentThreadId());
        ASSERT_TRUE(hook);
        dpiChange = {moment, 144};
        PlainForm wizard(ui::WizardDesign(), desktop);
        wizard.Load();
        ::UnhookWindowsHookEx(hook);
        EXPECT_EQ(dpiChange.dpi, 0) << "the message was never sent";
        EXPECT_EQ(ClientSize(wizard.Handle()).cx, 744);
        EXPECT_EQ(ClientSize(wizard.Handle()).cy, 537);
        LOGFONTW lf{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(wizard.Control(ids::kSetupBtnNext), WM_GETFONT, 0, 0)),
                     sizeof lf, &lf);
        EXPECT_EQ(lf.lfHeight, -18);
        // Centred where the design puts it, not at the place suggested for a move.
        const RECT placed = WindowRect(wizard.Handle());
        EXPECT_NEAR(placed.left + placed.right, 1280, 1);
        EXPECT_NEAR(placed.top + placed.bottom, 1024, 1);
    }
}

}  // namespace
}  // namespace setup::test
