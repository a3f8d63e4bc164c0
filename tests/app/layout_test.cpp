// The three windows as the running program shows them, measured from outside against the
// designed twips at the display's DPI (96 or 144, by the prefix the test runs in).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

enum class Back { Face, White, None };

// The design, written out independently of the program's own tables.
struct Expected {
    int id;
    int parent;  // 0: the window itself
    int left, top, width, height;
    bool visible;
    int points;
    bool bold;
    Back back;
    const wchar_t* caption;  // checked for labels and buttons when not null
};

struct WindowDesign {
    const wchar_t* windowClass;
    int clientWidth, clientHeight;
    std::vector<Expected> controls;  // in tab index order
    RECT line;                        // Line1's end points, (X1, Y1) to (X2, Y2)
    int lineHiddenTo = 0;             // a label over the line's start hides it up to here
};

const WindowDesign kLauncher{ids::kDefaultClass, 7560, 3915, {
    {ids::kDefaultLbTitle, 0, 120, 240, 4695, 375, true, 12, false, Back::White, nullptr},
    {ids::kDefaultBtnNext, 0, 3960, 3360, 1455, 375, true, 9, false, Back::None, L"下一步(&N)"},
    {ids::kDefaultBtnExit, 0, 5760, 3360, 1335, 375, true, 9, false, Back::None, L"取 消(&E)"},
}, {0, 3240, 7560, 3240}};

const WindowDesign kWizard{ids::kSetupClass, 7440, 5370, {
    {ids::kSetupFraInit, 0, 0, 0, 4695, 855, true, 9, false, Back::None, nullptr},
    {ids::kSetupLbSetup, ids::kSetupFraInit, 120, 240, 4695, 255, true, 9, true, Back::White, nullptr},
    {ids::kSetupLbInit, ids::kSetupFraInit, 120, 480, 4695, 255, true, 9, false, Back::White, nullptr},
    {ids::kSetupLabel2, 0, 0, 4560, 1695, 255, true, 9, false, Back::Face, L"Advanced Installer"},
    {ids::kSetupLbMsg, 0, 600, 1440, 6135, 615, true, 9, false, Back::Face, nullptr},
    {ids::kSetupBtnNext, 0, 4320, 4920, 1335, 375, true, 9, false, Back::None, L"安 装(&I)"},
    {ids::kSetupBtnPre, 0, 3000, 4920, 1335, 375, true, 9, false, Back::None, L"上一步(&B)"},
    {ids::kSetupBtnExit, 0, 5880, 4920, 1335, 375, true, 9, false, Back::None, L"取 消(&E)"},
    {ids::kSetupLbPb, 0, 600, 2280, 1575, 255, false, 9, false, Back::Face, L"状态:  正在安装"},
    {ids::kSetupPbSetup, 0, 600, 2640, 6135, 255, false, 9, false, Back::None, nullptr},
}, {1680, 4680, 7440, 4680}, 1695};

const WindowDesign kCompletion{ids::kSetupEndClass, 7440, 5370, {
    {ids::kSetupEndBtnEnd, 0, 5520, 4920, 1335, 375, true, 9, false, Back::None, L"完 成(&F)"},
    {ids::kSetupEndLbMsg, 0, 2880, 480, 4095, 855, true, 12, true, Back::White, nullptr},
    {ids::kSetupEndLabel1, 0, 2880, 1800, 3135, 375, true, 9, false, Back::White, L"单击\"完成\"按钮退出安装向导"},
}, {0, 4800, 7440, 4800}};

RECT ScreenRect(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

RECT RectIn(HWND control, HWND container) {
    RECT r = ScreenRect(control);
    ::MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<int> ChildIds(HWND parent) {
    std::vector<int> out;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        out.push_back(::GetDlgCtrlID(c));
    return out;
}

e2e::Pixels RenderLabel(const std::wstring& text, int width, int height, int points, bool bold, Back back,
                        int dpi) {
    const COLORREF background = back == Back::White ? RGB(255, 255, 255) : ::GetSysColor(COLOR_BTNFACE);
    return app::RenderLabelText(text, width, height, points, bold, dpi, background, ::GetSysColor(COLOR_BTNTEXT));
}

// Compares the label's visible part on screen with the rendering of its design; the
// container's edge may clip it.
::testing::AssertionResult ShowsDesignedText(HWND label, HWND container, const Expected& e, int dpi) {
    const RECT onScreen = ScreenRect(label);
    RECT visible = onScreen;
    const RECT bounds = ScreenRect(container);
    ::IntersectRect(&visible, &visible, &bounds);
    const auto shot = e2e::CaptureScreen(visible);
    if (!shot) return ::testing::AssertionFailure() << "no screenshot";
    wchar_t text[512] = {};
    ::GetWindowTextW(label, text, 512);
    const auto want = RenderLabel(text, onScreen.right - onScreen.left, onScreen.bottom - onScreen.top, e.points,
                                  e.bold, e.back, dpi);
    if (want.bgr.empty()) return ::testing::AssertionFailure() << "no rendering";
    int differing = 0;
    for (int y = 0; y < shot->height; ++y)
        for (int x = 0; x < shot->width; ++x)
            if (shot->At(x, y) != want.At(x + visible.left - onScreen.left, y + visible.top - onScreen.top))
                ++differing;
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " of " << shot->width * shot->height
                                         << " pixels differ from the designed font and colours";
}

// A label may reach the screen a moment after its window: the comparison is repeated until
// it holds or the time is up, and the last one is the result.
::testing::AssertionResult ShowsDesignedTextOnceDrawn(HWND label, HWND container, const Expected& e, int dpi) {
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    e2e::WaitUntil([&] { return static_cast<bool>(result = ShowsDesignedText(label, container, e, dpi)); }, 5000);
    return result;
}

// A window shown a moment ago may not have reached the screen yet.
bool WaitPainted(const e2e::Window& w) {
    return e2e::WaitUntil([&] {
        RECT r{};
        ::GetClientRect(w.Handle(), &r);
        ::MapWindowPoints(w.Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
        const auto shot = e2e::CaptureScreen(r);
        if (!shot) return false;
        size_t black = 0;
        for (auto v : shot->bgr) black += v == 0;
        return black * 10 < shot->bgr.size();
    }, 10000);
}

// The focus is given as the window is activated, a moment after it appears.
bool FocusSettlesOn(const e2e::Window& w, int id) {
    return e2e::WaitUntil([&] { return w.FocusedControlId() == id; }, 10000);
}

class Layout : public app::AppTest {
protected:
    void SetUp() override {
        // Measure in the program's own pixels, not in pixels scaled for an unaware process.
        ::SetProcessDPIAware();
        AppTest::SetUp();
        dpi_ = app::ScreenDpi();
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\a.txt", "a"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\a.txt", "a"));
        ASSERT_TRUE(medium_.WriteFile(L"setup.ini", app::IniLines({L"泰索瓦林课堂", L"", L"2.1.0", L"TVC-2.1"})));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
    }

    void ExpectDesign(const e2e::Window& w, const WindowDesign& design, const wchar_t* shotName) {
        SCOPED_TRACE(testing::Message() << "window " << testing::PrintToString(std::wstring(design.windowClass))
                                        << " at " << dpi_ << " DPI");
        ASSERT_TRUE(WaitPainted(w));
        const SIZE client = w.ClientSizePx();
        EXPECT_EQ(client.cx, app::Px(design.clientWidth, dpi_));
        EXPECT_EQ(client.cy, app::Px(design.clientHeight, dpi_));
        const LONG style = ::GetWindowLongW(w.Handle(), GWL_STYLE);
        EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << std::hex << style;
        EXPECT_TRUE(style & WS_SYSMENU);

        std::vector<int> topLevel, inFrame;
        for (const auto& e : design.controls) {
            SCOPED_TRACE(testing::Message() << "control " << e.id);
            HWND control = w.Control(e.id);
            ASSERT_TRUE(control);
            HWND container = e.parent ? w.Control(e.parent) : w.Handle();
            EXPECT_EQ(::GetParent(control), container);
            (e.parent ? inFrame : topLevel).push_back(e.id);
            const RECT r = RectIn(control, container);
            EXPECT_EQ(r.left, app::Px(e.left, dpi_));
            EXPECT_EQ(r.top, app::Px(e.top, dpi_));
            EXPECT_EQ(r.right - r.left, app::Px(e.width, dpi_));
            EXPECT_EQ(r.bottom - r.top, app::Px(e.height, dpi_));
            EXPECT_EQ(::IsWindowVisible(control) != FALSE, e.visible);
            if (e.caption) {
                EXPECT_EQ(w.Text(e.id), e.caption);
            }
            if (e.back != Back::None && e.visible) {
                EXPECT_TRUE(ShowsDesignedTextOnceDrawn(control, container, e, dpi_));
            }
        }
        ExpectWhiteLine(w, design.line, design.lineHiddenTo);
        // Children stand in tab index order, so the platform's own tab order agrees.
        EXPECT_EQ(ChildIds(w.Handle()), topLevel);
        if (!inFrame.empty()) {
            EXPECT_EQ(ChildIds(w.Control(ids::kSetupFraInit)), inFrame);
        }
        SaveShot(w, shotName);
    }

    // A white line on the face colour: white from its start to its end, and nowhere
    // before its start on that row.
    void ExpectWhiteLine(const e2e::Window& w, const RECT& line, int hiddenTo) {
        POINT origin{0, 0};
        ::ClientToScreen(w.Handle(), &origin);
        const int y = app::Px(line.top, dpi_);
        const int x1 = std::max(app::Px(line.left, dpi_), app::Px(hiddenTo, dpi_)), x2 = app::Px(line.right, dpi_);
        const RECT row{origin.x, origin.y + y, origin.x + app::Px(7440, dpi_), origin.y + y + 1};
        const auto shot = e2e::CaptureScreen(row);
        ASSERT_TRUE(shot);
        int white = 0, whiteBefore = 0;
        for (int x = 0; x < shot->width; ++x) {
            const bool isWhite = shot->At(x, 0) == 0xFFFFFF;
            if (x >= x1 && x < x2) white += isWhite;
            if (x < x1) whiteBefore += isWhite;
        }
        EXPECT_EQ(white, std::min(x2, shot->width) - x1) << "line at y=" << y;
        EXPECT_EQ(whiteBefore, 0);
    }

    // Screenshots of each window are kept beside the test run, one folder per DPI.
    void SaveShot(const e2e::Window& w, const wchar_t* name) {
        const std::wstring folder = e2e::WindowsPath(APP_ARTIFACTS_DIR) + L"\\layout-" + std::to_wstring(dpi_);
        ::CreateDirectoryW(e2e::WindowsPath(APP_ARTIFACTS_DIR).c_str(), nullptr);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        EXPECT_TRUE(w.Screenshot(folder + L"\\" + name + L".bmp"));
    }

    int dpi_ = 96;
    e2e::TempFolder target_{L"layout target"};
};

TEST_F(Layout, EveryWindowAndControlStandsAsDesigned) {
    auto launcher = StartLauncher();
    // The Launcher's client area stands at its designed place; the others are centred.
    const POINT origin = launcher.ClientOriginOnScreen();
    EXPECT_EQ(origin.x, app::Px(6120, dpi_));
    EXPECT_EQ(origin.y, app::Px(5940, dpi_));
    EXPECT_TRUE(FocusSettlesOn(launcher, ids::kDefaultBtnNext));
    ExpectDesign(launcher, kLauncher, L"1-launcher");

    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto wizard = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(wizard);
    EXPECT_TRUE(FocusSettlesOn(*wizard, ids::kSetupBtnNext));
    EXPECT_EQ(wizard->ProgressRange(ids::kSetupPbSetup), std::make_pair(0, 100));
    ExpectDesign(*wizard, kWizard, L"2-wizard");
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const RECT placed = ScreenRect(wizard->Handle());
    EXPECT_NEAR(placed.left + placed.right, screen.right, 1);
    EXPECT_NEAR(placed.top + placed.bottom, screen.bottom, 1);

    ASSERT_TRUE(wizard->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, 60000);
    ASSERT_TRUE(done);
    EXPECT_TRUE(FocusSettlesOn(*done, ids::kSetupEndBtnEnd));
    ExpectDesign(*done, kCompletion, L"3-completion");
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_TRUE(process_.WaitExit(15000));
}

}  // namespace
