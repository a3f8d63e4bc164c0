// The form runtime in-process: a window built from its design table, on a real display.
#include "ui/form.hpp"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <vector>

#include "ui/application.hpp"
#include "ui/control_ids.hpp"
#include "ui/designs.hpp"

namespace {

namespace ids = setup::ids;
using setup::ui::Form;

class RecordingForm : public Form {
public:
    using Form::Form;
    std::vector<int> clicks;
    int loads = 0;

private:
    void OnLoad() override { ++loads; }
    void OnClick(int id) override { clicks.push_back(id); }
};

RECT RectInParent(HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW lf{};
    auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    if (font) ::GetObjectW(font, sizeof lf, &lf);
    return lf;
}

MSG Key(HWND target, UINT message, WPARAM key) {
    MSG msg{};
    msg.hwnd = target;
    msg.message = message;
    msg.wParam = key;
    msg.lParam = message == WM_SYSCHAR ? (1 << 29) : 0;
    return msg;
}

class FormRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        form.Load();
        ASSERT_TRUE(form.Loaded());
        setup::ui::PumpWaitingMessages();
    }
    void TearDown() override { form.Unload(); }

    RecordingForm form{setup::ui::WizardDesign()};
};

TEST_F(FormRuntime, PlacesControlsInTheirContainersAtTheDesignedPixels) {
    EXPECT_EQ(form.loads, 1);
    HWND frame = form.Control(ids::kSetupFraInit);
    HWND heading = form.Control(ids::kSetupLbSetup);
    ASSERT_TRUE(frame && heading);
    EXPECT_EQ(::GetParent(heading), frame);
    const RECT h = RectInParent(heading);
    EXPECT_EQ(h.left, 8);
    EXPECT_EQ(h.top, 16);
    EXPECT_EQ(h.right - h.left, 313);
    EXPECT_EQ(h.bottom - h.top, 17);
    // The frame is 313 pixels wide, so the label's last 8 pixels are clipped by it.
    const RECT f = RectInParent(frame);
    EXPECT_EQ(f.right - f.left, 313);
    EXPECT_EQ(f.bottom - f.top, 57);
    EXPECT_TRUE(::GetWindowLongW(frame, GWL_STYLE) & WS_CLIPCHILDREN);

    const RECT back = RectInParent(form.Control(ids::kSetupBtnPre));
    const RECT install = RectInParent(form.Control(ids::kSetupBtnNext));
    EXPECT_EQ(back.left, 200);
    EXPECT_EQ(install.left, 288);
    EXPECT_EQ(back.right - install.left, 1);  // the joined pair overlaps by one pixel

    RECT client{};
    ::GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 496);
    EXPECT_EQ(client.bottom, 358);
    const LONG style = ::GetWindowLongW(form.Handle(), GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU);
}

TEST_F(FormRuntime, GivesEachControlItsFontAndColour) {
    const LOGFONTW heading = FontOf(form.Control(ids::kSetupLbSetup));
    EXPECT_STREQ(heading.lfFaceName, L"宋体");
    EXPECT_EQ(heading.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(heading.lfHeight, -12);
    EXPECT_EQ(heading.lfWeight, FW_BOLD);
    const LOGFONTW plain = FontOf(form.Control(ids::kSetupLbMsg));
    EXPECT_EQ(plain.lfHeight, -12);
    EXPECT_EQ(plain.lfWeight, FW_NORMAL);
    EXPECT_FALSE(plain.lfItalic || plain.lfUnderline || plain.lfStrikeOut);
    EXPECT_STREQ(FontOf(form.Control(ids::kSetupBtnExit)).lfFaceName, L"宋体");

    // Labels paint their own background: white on the banner, the face colour elsewhere.
    HDC dc = ::GetDC(form.Handle());
    HWND white = form.Control(ids::kSetupLbInit);
    ::SendMessageW(::GetParent(white), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(white));
    EXPECT_EQ(::GetBkColor(dc), RGB(255, 255, 255));
    HWND face = form.Control(ids::kSetupLabel2);
    ::SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(face));
    EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_BTNFACE));
    ::ReleaseDC(form.Handle(), dc);
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return {0, 0};
    BITMAP bm{};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    return {bm.bmWidth, bm.bmHeight};
}

// A window moved to a display of another DPI lays itself out again at that DPI: places,
// sizes, fonts and icons, at the place the system suggests.
TEST_F(FormRuntime, ADpiChangeLaysTheWindowOutAgain) {
    auto big = [&] { return reinterpret_cast<HICON>(::SendMessageW(form.Handle(), WM_GETICON, ICON_BIG, 0)); };
    auto small = [&] { return reinterpret_cast<HICON>(::SendMessageW(form.Handle(), WM_GETICON, ICON_SMALL, 0)); };
    EXPECT_EQ(IconSize(big()).cx, 32);
    EXPECT_EQ(IconSize(small()).cx, 16);

    RECT suggested{200, 100, 0, 0};
    ::SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT client{};
    ::GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 744);   // 7440 twips
    EXPECT_EQ(client.bottom, 537);  // 5370 twips
    RECT window{};
    ::GetWindowRect(form.Handle(), &window);
    EXPECT_EQ(window.left, 200);
    EXPECT_EQ(window.top, 100);
    const RECT exit = RectInParent(form.Control(ids::kSetupBtnExit));
    EXPECT_EQ(exit.left, 588);
    EXPECT_EQ(exit.top, 492);
    EXPECT_EQ(exit.right - exit.left, 134);  // 1335 twips, rounded
    const RECT heading = RectInParent(form.Control(ids::kSetupLbSetup));
    EXPECT_EQ(heading.left, 12);
    EXPECT_EQ(heading.top, 24);
    EXPECT_EQ(FontOf(form.Control(ids::kSetupLbSetup)).lfHeight, -18);
    EXPECT_EQ(FontOf(form.Control(ids::kSetupLbSetup)).lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf(form.Control(ids::kSetupBtnNext)).lfHeight, -18);
    EXPECT_EQ(IconSize(big()).cx, 48);
    EXPECT_EQ(IconSize(small()).cx, 24);
    for (const int id : {ids::kSetupLbSetup, ids::kSetupLbMsg, ids::kSetupBtnNext})
        EXPECT_TRUE(::GetUpdateRect(form.Control(id), nullptr, FALSE)) << "not drawn again: " << id;
}

TEST_F(FormRuntime, HiddenControlsAndTheProgressRangeStartAsDesigned) {
    EXPECT_FALSE(::IsWindowVisible(form.Control(ids::kSetupLbPb)));
    EXPECT_FALSE(::IsWindowVisible(form.Control(ids::kSetupPbSetup)));
    EXPECT_EQ(::SendMessageW(form.Control(ids::kSetupPbSetup), PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(::SendMessageW(form.Control(ids::kSetupPbSetup), PBM_GETRANGE, FALSE, 0), 100);
}

TEST_F(FormRuntime, ALaterLoadStartsFromTheDesignAgain) {
    form.SetText(ids::kSetupLbSetup, L"changed");
    form.SetVisible(ids::kSetupPbSetup, true);
    EXPECT_EQ(Form::LoadedCount(), 1);
    form.Unload();
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(Form::LoadedCount(), 0);
    form.Load();
    wchar_t text[64] = {};
    ::GetWindowTextW(form.Control(ids::kSetupLbSetup), text, 64);
    EXPECT_STREQ(text, L"准备安装");
    EXPECT_FALSE(::IsWindowVisible(form.Control(ids::kSetupPbSetup)));
    EXPECT_EQ(form.loads, 2);
}

TEST_F(FormRuntime, KeyboardFollowsTheTabOrderAndTheAccessKeys) {
    HWND install = form.Control(ids::kSetupBtnNext);
    HWND back = form.Control(ids::kSetupBtnPre);
    HWND cancel = form.Control(ids::kSetupBtnExit);
    EXPECT_EQ(::GetFocus(), install);
    for (HWND expected : {back, cancel, install}) {
        EXPECT_TRUE(form.TranslateKey(Key(::GetFocus(), WM_KEYDOWN, VK_TAB)));
        EXPECT_EQ(::GetFocus(), expected);
    }
    EXPECT_TRUE(form.TranslateKey(Key(install, WM_KEYDOWN, VK_ESCAPE)));
    EXPECT_TRUE(form.clicks.empty());

    ::SetFocus(back);
    EXPECT_TRUE(form.TranslateKey(Key(back, WM_KEYDOWN, VK_RETURN)));
    EXPECT_TRUE(form.TranslateKey(Key(back, WM_SYSCHAR, L'e')));
    EXPECT_EQ(form.clicks, (std::vector<int>{ids::kSetupBtnPre, ids::kSetupBtnExit}));
    EXPECT_FALSE(form.TranslateKey(Key(back, WM_SYSCHAR, L'q')));  // no such access key

    // A disabled button takes no access key, no click and no focus.
    form.clicks.clear();
    form.SetEnabled(ids::kSetupBtnNext, false);
    form.TranslateKey(Key(cancel, WM_SYSCHAR, L'i'));
    ::SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(ids::kSetupBtnNext, BN_CLICKED), reinterpret_cast<LPARAM>(install));
    EXPECT_TRUE(form.clicks.empty());
    ::SetFocus(cancel);
    form.TranslateKey(Key(cancel, WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(::GetFocus(), back);
}

// The message loop asks every message's window for its form: only the program's own windows
// may answer, whatever another window keeps in its user data.
TEST_F(FormRuntime, OnlyItsOwnWindowsLeadToAForm) {
    EXPECT_EQ(Form::FromWindow(form.Handle()), &form);
    EXPECT_EQ(Form::FromWindow(form.Control(ids::kSetupBtnNext)), nullptr);
    HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    ::SetWindowLongPtrW(other, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&form));
    EXPECT_EQ(Form::FromWindow(other), nullptr);
    ::DestroyWindow(other);
    const HWND gone = form.Handle();
    form.Unload();
    EXPECT_EQ(Form::FromWindow(gone), nullptr);
}

TEST(FormClose, TheCloseButtonUnloadsByDefault) {
    RecordingForm form{setup::ui::CompletionDesign()};
    form.Load();
    ASSERT_TRUE(form.Loaded());
    ::SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(Form::LoadedCount(), 0);
}

}  // namespace
