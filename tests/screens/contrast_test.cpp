// The three windows under a high-contrast black colour scheme, measured from the screen:
// every label's text stands out of its background in the system's own colours, no picture is
// drawn, and the lines are in a visible colour. The prefix holds the scheme; Wine reports
// high contrast as off all the same, so this is the road of a scheme whose text is light.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

// Labels as designed: font, and whether the design gives them white (on the pictures).
struct Label {
    int id;
    int points;
    bool bold;
    bool white;
};

const std::vector<Label> kLauncherLabels{{ids::kDefaultLbTitle, 12, false, true}};
const std::vector<Label> kWizardLabels{{ids::kSetupLbSetup, 9, true, true},
                                       {ids::kSetupLbInit, 9, false, true},
                                       {ids::kSetupLabel2, 9, false, false},
                                       {ids::kSetupLbMsg, 9, false, false}};
const std::vector<Label> kCompletionLabels{{ids::kSetupEndLbMsg, 12, true, true},
                                           {ids::kSetupEndLabel1, 9, false, true}};

// Screen captures read 0x00RRGGBB; GetSysColor gives 0x00BBGGRR.
std::uint32_t SysColour(int index) {
    const COLORREF c = ::GetSysColor(index);
    return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

RECT ScreenRect(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

// The label's text drawn here as a static control draws it: the designed font in the
// colours the label should have.
e2e::Pixels Render(const std::wstring& text, int width, int height, const Label& label, int back, int fore) {
    return app::RenderLabelText(text, width, height, label.points, label.bold, app::ScreenDpi(), ::GetSysColor(back),
                                ::GetSysColor(fore));
}

int Glyphs(const std::wstring& text) {
    int n = 0;
    for (wchar_t c : text) n += c != L' ';
    return n;
}

// The label's visible part on screen: its text in the system's colours for its background,
// and enough pixels of it that differ from that background to be read (10 for each glyph;
// a 9-point glyph has some 20 to 60).
::testing::AssertionResult Readable(const e2e::Window& w, const Label& label) {
    HWND control = w.Control(label.id);
    if (!control) return ::testing::AssertionFailure() << "no control " << label.id;
    wchar_t buffer[512] = {};
    ::GetWindowTextW(control, buffer, 512);
    const std::wstring text = buffer;
    const RECT onScreen = ScreenRect(control);
    RECT visible = onScreen;
    const RECT container = ScreenRect(::GetParent(control));
    ::IntersectRect(&visible, &visible, &container);
    const auto shot = e2e::CaptureScreen(visible);
    if (!shot) return ::testing::AssertionFailure() << "no screenshot";
    const int back = label.white ? COLOR_WINDOW : COLOR_BTNFACE;
    const int fore = label.white ? COLOR_WINDOWTEXT : COLOR_BTNTEXT;
    const auto want = Render(text, onScreen.right - onScreen.left, onScreen.bottom - onScreen.top, label, back, fore);
    int ink = 0;
    int differing = 0;
    for (int y = 0; y < shot->height; ++y) {
        for (int x = 0; x < shot->width; ++x) {
            ink += shot->At(x, y) != SysColour(back);
            differing += shot->At(x, y) != want.At(x + visible.left - onScreen.left, y + visible.top - onScreen.top);
        }
    }
    if (differing > 0 || ink < 10 * Glyphs(text))
        return ::testing::AssertionFailure()
               << "label " << label.id << ": " << ink << " pixels of text for " << Glyphs(text) << " glyphs; "
               << differing << " pixels differ from its text in the system's colours";
    return ::testing::AssertionSuccess() << ink << " pixels of text";
}

// Client-area pixels, all of one colour.
::testing::AssertionResult AllOf(const e2e::Window& w, RECT area, std::uint32_t colour) {
    ::MapWindowPoints(w.Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
    const auto shot = e2e::CaptureScreen(area);
    if (!shot) return ::testing::AssertionFailure() << "no screenshot";
    int other = 0;
    for (auto p : shot->bgr) other += p != colour;
    if (other == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << other << " of " << shot->bgr.size() << " pixels are not " << std::hex
                                         << colour;
}

class Contrast : public app::AppTest {
protected:
    void SetUp() override {
        ::SetProcessDPIAware();
        AppTest::SetUp();
        // The prefix's scheme: light text on black.
        ASSERT_EQ(::GetSysColor(COLOR_BTNTEXT), RGB(255, 255, 255));
        ASSERT_EQ(::GetSysColor(COLOR_BTNFACE), RGB(0, 0, 0));
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\a.txt", "a"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.1"));
    }

    // The window as shown: no picture in `pictureArea`, the line in the text colour, each
    // label readable; a screenshot of it beside the test run.
    void Expect(const e2e::Window& w, RECT pictureArea, RECT line, const std::vector<Label>& labels,
                const wchar_t* shotName) {
        auto shown = [&] {
            bool all = AllOf(w, pictureArea, SysColour(COLOR_BTNFACE)) && AllOf(w, line, SysColour(COLOR_BTNTEXT));
            for (const auto& label : labels) all = all && Readable(w, label);
            return all;
        };
        // A window shown a moment ago may not have reached the screen yet.
        e2e::WaitUntil(shown, 10000);
        EXPECT_TRUE(AllOf(w, pictureArea, SysColour(COLOR_BTNFACE)));
        EXPECT_TRUE(AllOf(w, line, SysColour(COLOR_BTNTEXT)));
        for (const auto& label : labels) EXPECT_TRUE(Readable(w, label));
        const std::wstring folder = e2e::WindowsPath(APP_ARTIFACTS_DIR) + L"\\contrast";
        ::CreateDirectoryW(e2e::WindowsPath(APP_ARTIFACTS_DIR).c_str(), nullptr);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        EXPECT_TRUE(w.Screenshot(folder + L"\\" + shotName + L".bmp"));
    }

    e2e::TempFolder target_{L"contrast target"};
};

TEST_F(Contrast, EveryLabelReadsInTheSystemsColoursWithoutPictures) {
    auto launcher = StartLauncher();
    ASSERT_TRUE(launcher.Exists());
    // The banner's artwork is at its right end; the line runs along y = 216.
    Expect(launcher, {400, 4, 490, 54}, {0, 216, 504, 217}, kLauncherLabels, L"1-launcher");

    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto wizard = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(wizard);
    // The frame's own colour shows above its heading.
    EXPECT_TRUE(e2e::WaitUntil([&] { return AllOf(*wizard, {0, 0, 313, 15}, SysColour(COLOR_WINDOW)); }, 10000));
    Expect(*wizard, {400, 4, 490, 54}, {113, 312, 496, 313}, kWizardLabels, L"2-wizard");

    ASSERT_TRUE(wizard->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, app::kCopyWait);
    ASSERT_TRUE(done);
    // The side picture's blue panel runs down the left side.
    Expect(*done, {10, 10, 160, 300}, {0, 320, 496, 321}, kCompletionLabels, L"3-completion");
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_TRUE(process_.WaitExit(app::kExitWait));
}

}  // namespace
