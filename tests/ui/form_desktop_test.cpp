// The form runtime on the desktop of the test's choosing: high contrast forced on and off,
// monitors of other sizes and DPIs, a DPI change while a window is placed, the text size, the
// taskbar.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "e2e/driver.hpp"
#include "ui/application.hpp"
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

// GetSysColor's 0x00BBGGRR as the screen captures read, 0x00RRGGBB.
std::uint32_t Screen(COLORREF c) { return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu); }
std::uint32_t SysColour(int index) { return Screen(::GetSysColor(index)); }

// Waits until the client area's pixels in `area` (client coordinates), once painted, satisfy
// `wanted`: every one of them, or with `any`, one at least.
template <class Wanted>
bool ClientShows(HWND hwnd, RECT area, Wanted wanted, bool any = false) {
    return e2e::WaitUntil(
        [&] {
            ui::PumpWaitingMessages();
            RECT r = area;
            ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
            const auto shot = e2e::CaptureScreen(r);
            if (!shot) return false;
            for (const std::uint32_t p : shot->bgr)
                if (wanted(p) == any) return any;
            return !any;
        },
        3000);
}

// The Wizard window's banner shows light blue artwork right of its white part; its line runs
// along y = 312 from the end of Label2 at x = 113.
constexpr RECT kBannerArtwork{400, 4, 490, 54};
constexpr RECT kWizardLine{113, 312, 496, 313};

bool PictureShown(HWND hwnd) {
    return ClientShows(
        hwnd, kBannerArtwork, [](std::uint32_t p) { return p != SysColour(COLOR_BTNFACE); }, true);
}
bool NoPicture(HWND hwnd) {
    return ClientShows(hwnd, kBannerArtwork, [](std::uint32_t p) { return p == SysColour(COLOR_BTNFACE); });
}
bool LineIn(HWND hwnd, std::uint32_t colour) {
    return ClientShows(hwnd, kWizardLine, [&](std::uint32_t p) { return p == colour; });
}

struct LabelColours {
    HBRUSH brush;
    COLORREF back, text;
};

LabelColours ColoursFor(const Form& form, int id) {
    HWND control = form.Control(id);
    HDC dc = ::GetDC(form.Handle());
    ::SetBkColor(dc, RGB(1, 2, 3));
    ::SetTextColor(dc, RGB(1, 2, 3));
    // The frame passes its labels' question on; the form answers for the frame itself.
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        ::GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    const LabelColours out{brush, ::GetBkColor(dc), ::GetTextColor(dc)};
    ::ReleaseDC(form.Handle(), dc);
    return out;
}

class HighContrast : public ::testing::Test {
protected:
    void TearDown() override { form.Unload(); }
    void Load(bool on) {
        desktop.highContrast = on;
        form.Load();
        ASSERT_TRUE(form.Loaded());
        ui::PumpWaitingMessages();
    }

    FakeDesktop desktop;
    PlainForm form{ui::WizardDesign(), desktop};
};

TEST_F(HighContrast, EveryLabelAndTheFrameTakeTheSystemsColoursAndNoPictureIsDrawn) {
    Load(true);
    for (int id : {ids::kSetupLbSetup, ids::kSetupLbInit, ids::kSetupFraInit}) {
        SCOPED_TRACE(id);
        const LabelColours c = ColoursFor(form, id);
        EXPECT_EQ(c.brush, ::GetSysColorBrush(COLOR_WINDOW));
        EXPECT_EQ(c.back, ::GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(c.text, ::GetSysColor(COLOR_WINDOWTEXT));
    }
    for (int id : {ids::kSetupLabel2, ids::kSetupLbMsg, ids::kSetupLbPb}) {
        SCOPED_TRACE(id);
        const LabelColours c = ColoursFor(form, id);
        EXPECT_EQ(c.brush, ::GetSysColorBrush(COLOR_BTNFACE));
        EXPECT_EQ(c.back, ::GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(c.text, ::GetSysColor(COLOR_BTNTEXT));
    }
    EXPECT_TRUE(NoPicture(form.Handle()));
    EXPECT_TRUE(LineIn(form.Handle(), SysColour(COLOR_BTNTEXT)));
}

TEST_F(HighContrast, OffTheWindowKeepsItsDesignedWhiteAndPicture) {
    Load(false);
    const LabelColours c = ColoursFor(form, ids::kSetupLbInit);
    EXPECT_NE(c.brush, ::GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(c.back, RGB(255, 255, 255));
    EXPECT_EQ(c.text, ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_TRUE(PictureShown(form.Handle()));
    EXPECT_TRUE(LineIn(form.Handle(), 0xFFFFFF));
}

// Each of the system's three notices of new colours repaints the open window in them.
TEST_F(HighContrast, AnOpenWindowFollowsEachSwitch) {
    Load(false);
    ASSERT_TRUE(PictureShown(form.Handle()));
    bool on = false;
    for (UINT notice : {WM_SETTINGCHANGE, WM_SYSCOLORCHANGE, WM_THEMECHANGED, WM_SETTINGCHANGE}) {
        SCOPED_TRACE(notice);
        on = !on;
        desktop.highContrast = on;
        ::SendMessageW(form.Handle(), notice, notice == WM_SETTINGCHANGE ? SPI_SETHIGHCONTRAST : 0, 0);
        EXPECT_TRUE(on ? NoPicture(form.Handle()) : PictureShown(form.Handle()));
        EXPECT_TRUE(LineIn(form.Handle(), on ? SysColour(COLOR_BTNTEXT) : 0xFFFFFF));
        EXPECT_EQ(ColoursFor(form, ids::kSetupLbInit).brush == ::GetSysColorBrush(COLOR_WINDOW), on);
    }
}

// --- Placement ---------------------------------------------------------------------------

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

// The text size where Windows keeps it, read at load and again at a change of settings: the
// window and its fonts grow as at that DPI.
TEST(TextSize, TheWindowGrowsWithTheTextSizeAndFollowsAChange) {
    constexpr wchar_t kKey[] = L"Software\\Microsoft\\Accessibility";
    PlainForm wizard(ui::WizardDesign(), ui::SystemDesktop());
    for (const DWORD percent : {150, 100}) {
        ASSERT_FALSE(::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"TextScaleFactor", REG_DWORD, &percent, 4));
        if (wizard.Loaded()) ::SendMessageW(wizard.Handle(), WM_SETTINGCHANGE, 0, 0);
        else wizard.Load();
        EXPECT_EQ(ClientSize(wizard.Handle()).cx, ::MulDiv(496, percent, 100));
        LOGFONTW lf{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(wizard.Control(ids::kSetupBtnNext), WM_GETFONT, 0, 0)),
                     sizeof lf, &lf);
        EXPECT_EQ(lf.lfHeight, -::MulDiv(12, percent, 100));
    }
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"TextScaleFactor");
}

// --- Taskbar -----------------------------------------------------------------------------

class Taskbar : public ::testing::Test {
protected:
    void SetUp() override {
        form.Load();
        ASSERT_TRUE(form.Loaded());
        hwnd = form.Handle();
    }
    void TearDown() override { form.Unload(); }
    void ButtonCreated() { ::SendMessageW(hwnd, ui::TaskbarButton::CreatedMessage(), 0, 0); }

    FakeDesktop desktop;
    PlainForm form{ui::WizardDesign(), desktop};
    HWND hwnd = nullptr;
};

TEST_F(Taskbar, TheButtonShowsTheProgressOnceTheShellHasMadeItAndNoneWhenTheWindowGoes) {
    auto& calls = *desktop.calls;
    form.Taskbar().ShowProgress(3, 10);
    EXPECT_EQ(desktop.connects, 0);
    EXPECT_TRUE(calls.empty());

    ButtonCreated();
    EXPECT_EQ(desktop.connects, 1);
    EXPECT_EQ(calls, (std::vector{State(hwnd, TBPF_NORMAL), Value(hwnd, 3, 10)}));
    calls.clear();
    form.Taskbar().ShowProgress(4, 10);
    form.Taskbar().ShowError();
    EXPECT_EQ(calls, (std::vector{Value(hwnd, 4, 10), State(hwnd, TBPF_ERROR)}));

    // Explorer restarted: a new button, a new connection, the same state.
    calls.clear();
    ButtonCreated();
    EXPECT_EQ(desktop.connects, 2);
    EXPECT_EQ(calls, (std::vector{State(hwnd, TBPF_ERROR), Value(hwnd, 4, 10)}));

    calls.clear();
    form.Unload();
    EXPECT_EQ(calls, (std::vector{State(hwnd, TBPF_NOPROGRESS)}));
    // A later load of the window starts with a button of no progress.
    form.Load();
    hwnd = form.Handle();
    calls.clear();
    ButtonCreated();
    EXPECT_TRUE(calls.empty());
}

TEST_F(Taskbar, WithoutTheShellsListProgressGoesNowhere) {
    desktop.taskbarPresent = false;
    ButtonCreated();
    EXPECT_EQ(desktop.connects, 1);
    form.Taskbar().ShowProgress(1, 2);
    form.Taskbar().ShowError();
    form.Taskbar().ShowNone();
    form.Unload();
    EXPECT_TRUE(desktop.calls->empty());
}

// Wine's ITaskbarList3 is a stub: the calls reach it and it takes them.
TEST(ShellTaskbar, ConnectsWhereCOMRunsAndTakesTheCalls) {
    EXPECT_TRUE(ui::ConnectShellTaskbar() == nullptr) << "COM is not started on this thread";
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        PlainForm form(ui::CompletionDesign(), ui::SystemDesktop());
        form.Load();
        ::SendMessageW(form.Handle(), ui::TaskbarButton::CreatedMessage(), 0, 0);
        form.Taskbar().ShowProgress(1, 2);
        form.Taskbar().ShowError();
        form.Unload();
        EXPECT_TRUE(ui::ConnectShellTaskbar() != nullptr);
    }
    ::CoUninitialize();
}

}  // namespace
}  // namespace setup::test
