// The driver against a real window: the dummy program, started as a separate process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "driver.hpp"
#include "dummy_app_ids.hpp"
#include "fixture.hpp"

namespace {

namespace d = e2e::dummy;

class DummyApp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.Start(e2e::WindowsPath(E2E_DUMMY_APP))) << "error " << ::GetLastError();
        auto found = app_.WaitForWindow(d::kClass);
        ASSERT_TRUE(found) << "no dummy window; is the test running under Xvfb?";
        window_ = *found;
    }

    void ExpectExit(DWORD code) {
        const auto exit = app_.WaitExit(e2e::kDefaultTimeoutMs);
        ASSERT_TRUE(exit) << "the program did not end";
        EXPECT_EQ(*exit, code);
        EXPECT_FALSE(app_.IsRunning());
    }

    void AnswerMessageBox() {
        const auto box = app_.WaitForMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->Title(), d::kMessageTitle);
        EXPECT_EQ(box->Text(), d::kMessageText);
        ASSERT_TRUE(box->PressOk());
        EXPECT_TRUE(app_.WaitForWindowGone(e2e::kMessageBoxClass));
    }

    bool WaitForFocus(int id) {
        return e2e::WaitUntil([&] { return window_.FocusedControlId() == id; }, e2e::kDefaultTimeoutMs);
    }

    e2e::Process app_;
    e2e::Window window_{nullptr};
};

TEST_F(DummyApp, ReadsCaptionGeometryAndControls) {
    EXPECT_EQ(window_.Caption(), d::kCaption);
    EXPECT_TRUE(window_.IsVisible());
    const SIZE size = window_.ClientSizePx();
    EXPECT_EQ(size.cx, d::kClientWidth);
    EXPECT_EQ(size.cy, d::kClientHeight);
    const POINT origin = window_.ClientOriginOnScreen();
    EXPECT_EQ(origin.x, d::kClientLeft);
    EXPECT_EQ(origin.y, d::kClientTop);

    EXPECT_EQ(window_.Text(d::kLabel), d::kLabelText);
    EXPECT_EQ(window_.Text(d::kFramedLabel), d::kFramedLabelText);
    EXPECT_EQ(window_.Text(d::kGo), L"&Go");
    EXPECT_TRUE(window_.IsControlVisible(d::kLabel));
    EXPECT_FALSE(window_.IsControlVisible(d::kHiddenLabel));
    EXPECT_TRUE(window_.IsControlEnabled(d::kGo));
    EXPECT_FALSE(window_.IsControlEnabled(d::kOff));

    EXPECT_EQ(window_.Control(999), nullptr);
    EXPECT_EQ(window_.Text(999), L"");
    EXPECT_FALSE(window_.Click(999));
}

TEST_F(DummyApp, ReadsProgressBar) {
    EXPECT_EQ(window_.ProgressRange(d::kProgress), (std::pair{d::kProgressLow, d::kProgressHigh}));
    EXPECT_EQ(window_.ProgressPosition(d::kProgress), d::kProgressPos);
    EXPECT_FALSE(window_.ProgressPosition(999));
}

TEST_F(DummyApp, ClickShowsMessageBoxAndOkEndsProgram) {
    ASSERT_TRUE(window_.Click(d::kGo));
    AnswerMessageBox();
    ExpectExit(d::kExitAfterGo);
    EXPECT_TRUE(app_.WaitForWindowGone(d::kClass, 0));
}

// The probes that tell an OK-only box without an icon from any other.
TEST_F(DummyApp, ReadsAMessageBoxsButtonsAndIcon) {
    ASSERT_TRUE(::PostMessageW(window_.Handle(), WM_COMMAND, d::kWarn, 0));
    auto box = app_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_TRUE(box->ShowsIcon());
    EXPECT_EQ(box->Owner(), window_.Handle());
    ASSERT_TRUE(box->PressOk());
    ASSERT_TRUE(app_.WaitForWindowGone(e2e::kMessageBoxClass));

    ASSERT_TRUE(window_.Click(d::kGo));
    box = app_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->ButtonIds(), std::vector<int>{IDOK});
    EXPECT_FALSE(box->ShowsIcon());
    EXPECT_TRUE(box->Style() & WS_CAPTION);
    ASSERT_TRUE(box->PressOk());
    ExpectExit(d::kExitAfterGo);
}

TEST_F(DummyApp, AccessKeysPressButtonsInEitherCase) {
    ASSERT_TRUE(WaitForFocus(d::kGo));
    ASSERT_TRUE(window_.PressAccessKey(L'g'));
    AnswerMessageBox();
    ExpectExit(d::kExitAfterGo);

    ASSERT_TRUE(app_.Start(e2e::WindowsPath(E2E_DUMMY_APP)));
    const auto second = app_.WaitForWindow(d::kClass);
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->PressAccessKey(L'X'));
    ExpectExit(d::kExitByExit);
}

TEST_F(DummyApp, TabMovesFocusPastDisabledButton) {
    ASSERT_TRUE(WaitForFocus(d::kGo));
    ASSERT_TRUE(window_.PressKey(VK_TAB));
    EXPECT_TRUE(WaitForFocus(d::kExit)) << "focus is on " << window_.FocusedControlId().value_or(-1);
    ASSERT_TRUE(window_.PressKey(VK_TAB));
    EXPECT_TRUE(WaitForFocus(d::kGo)) << "focus is on " << window_.FocusedControlId().value_or(-1);
}

TEST_F(DummyApp, EnterPressesDefaultButton) {
    ASSERT_TRUE(WaitForFocus(d::kGo));
    ASSERT_TRUE(window_.PressKey(VK_RETURN));
    AnswerMessageBox();
    ExpectExit(d::kExitAfterGo);
}

TEST_F(DummyApp, EscapeCancels) {
    ASSERT_TRUE(window_.PressKey(VK_ESCAPE));
    ExpectExit(d::kExitByCancel);
}

TEST_F(DummyApp, CloseEndsProgram) {
    ASSERT_TRUE(window_.Close());
    EXPECT_TRUE(app_.WaitForWindowGone(d::kClass));
    ExpectExit(d::kExitByClose);
}

struct Bmp {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::string pixels;
};

std::optional<Bmp> ParseBmp(const std::string& bytes) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    if (bytes.size() < sizeof file + sizeof info) return std::nullopt;
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    if (file.bfType != 0x4D42 || file.bfSize != bytes.size() || file.bfOffBits > bytes.size())
        return std::nullopt;
    return Bmp{info.biWidth, info.biHeight, info.biBitCount, bytes.substr(file.bfOffBits)};
}

TEST_F(DummyApp, ScreenshotIsWindowSizedPicture) {
    e2e::TempFolder folder(L"e2e shot");
    ASSERT_TRUE(folder.Ok());
    const std::wstring path = folder / L"dummy.bmp";
    // A window shown a moment ago may not have reached the screen yet.
    RECT area{};
    ::GetWindowRect(window_.Handle(), &area);
    e2e::WaitUntil([&] {
        const auto shown = e2e::CaptureScreen(area);
        return shown && std::any_of(shown->bgr.begin(), shown->bgr.end(),
                                    [&](std::uint32_t v) { return v != shown->bgr.front(); });
    }, e2e::kDefaultTimeoutMs);
    ASSERT_TRUE(window_.Screenshot(path));

    const auto bytes = e2e::ReadFileBytes(path);
    ASSERT_TRUE(bytes);
    const auto bmp = ParseBmp(*bytes);
    ASSERT_TRUE(bmp);
    RECT rc{};
    ::GetWindowRect(window_.Handle(), &rc);
    EXPECT_EQ(bmp->width, rc.right - rc.left);
    EXPECT_EQ(bmp->height, rc.bottom - rc.top);
    EXPECT_EQ(bmp->bits, 24);
    const size_t stride = (static_cast<size_t>(bmp->width) * 3 + 3) & ~size_t{3};
    ASSERT_EQ(bmp->pixels.size(), stride * static_cast<size_t>(bmp->height));

    // Buttons, texts and the bar on a plain face: the picture can't be one colour.
    bool varied = false;
    for (int y = 0; y < bmp->height && !varied; ++y)
        for (int x = 0; x < bmp->width && !varied; ++x)
            varied = bmp->pixels.compare(y * stride + x * 3, 3, bmp->pixels, 0, 3) != 0;
    EXPECT_TRUE(varied) << "the screenshot is a single colour";
}

TEST(DriverProcess, KillsProgramWhenDestroyed) {
    DWORD id = 0;
    {
        e2e::Process app;
        ASSERT_TRUE(app.Start(e2e::WindowsPath(E2E_DUMMY_APP)));
        ASSERT_TRUE(app.WaitForWindow(d::kClass));
        id = app.Id();
    }
    setup::UniqueHandleK process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    EXPECT_TRUE(!process || ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0);
}

TEST(DriverProcess, WaitsFailCleanlyOnTimeout) {
    e2e::Process app;
    ASSERT_TRUE(app.Start(e2e::WindowsPath(E2E_DUMMY_APP)));
    ASSERT_TRUE(app.WaitForWindow(d::kClass));
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_FALSE(app.WaitForWindow(L"no.such.class", 300));
    EXPECT_FALSE(app.WaitForMessageBox(300));
    EXPECT_FALSE(app.WaitForWindowGone(d::kClass, 300));
    EXPECT_FALSE(app.WaitExit(300));
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_GE(elapsed, 1200u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_TRUE(app.IsRunning());
}

TEST(DriverProcess, StartFailsForMissingProgram) {
    e2e::Process app;
    EXPECT_FALSE(app.Start(L"C:\\no\\such\\program.exe"));
    EXPECT_FALSE(app.IsRunning());
    EXPECT_FALSE(app.WaitExit(0));
    EXPECT_FALSE(app.FindTopWindow(d::kClass));
}

TEST(DriverPaths, UnixPathsMapToDriveZ) {
    EXPECT_EQ(e2e::WindowsPath("/work/build dir/a.exe"), L"Z:\\work\\build dir\\a.exe");
    EXPECT_EQ(e2e::WindowsPath("C:/x/y.exe"), L"C:\\x\\y.exe");
}

}  // namespace
