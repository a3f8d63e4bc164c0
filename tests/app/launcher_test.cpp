#include <gtest/gtest.h>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;
using app::AppTest;
using app::kNotice;

constexpr DWORD kExitWait = 10000;

class Launcher : public AppTest {
protected:
    // Waits for the program to end on its own and reports whether it did.
    bool Ends() { return process_.WaitExit(kExitWait).has_value(); }
    bool FullInstallerStarted() { return e2e::WaitForFile(medium_.FullInstallerReport(), 5000); }
};

TEST_F(Launcher, GreetsWithTheProductNameAtItsDesignedPlace) {
    auto w = StartLauncher();
    EXPECT_EQ(w.Caption(), L"泰索瓦林课堂");
    EXPECT_EQ(w.Text(ids::kDefaultLbTitle), L"欢迎使用 泰索瓦林课堂");
    EXPECT_EQ(w.Text(ids::kDefaultBtnNext), L"下一步(&N)");
    EXPECT_EQ(w.Text(ids::kDefaultBtnExit), L"取 消(&E)");
    const SIZE size = w.ClientSizePx();
    EXPECT_EQ(size.cx, 504);
    EXPECT_EQ(size.cy, 261);
    const POINT origin = w.ClientOriginOnScreen();
    EXPECT_EQ(origin.x, 408);
    EXPECT_EQ(origin.y, 396);
    EXPECT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == ids::kDefaultBtnNext; }, 2000));
}

TEST_F(Launcher, AnEmptyProductInformationFileLeavesTheNameEmpty) {
    ASSERT_TRUE(medium_.WriteSetupIni(""));
    auto w = StartLauncher();
    EXPECT_EQ(w.Caption(), L"");
    EXPECT_EQ(w.Text(ids::kDefaultLbTitle), L"欢迎使用 ");
}

// Missing, a folder in its place, hidden, or held open by another program: the same message,
// then the window shows its designed texts and stays usable.
class UnreadableProductInfo : public Launcher, public ::testing::WithParamInterface<int> {};

TEST_P(UnreadableProductInfo, WarnsAndTheWindowStaysUsable) {
    const std::wstring ini = medium_ / L"setup.ini";
    setup::UniqueFile holder;
    switch (GetParam()) {
        case 0: ASSERT_TRUE(::DeleteFileW(ini.c_str())); break;
        case 1:
            ASSERT_TRUE(::DeleteFileW(ini.c_str()));
            ASSERT_TRUE(::CreateDirectoryW(ini.c_str(), nullptr));
            break;
        case 2: ASSERT_TRUE(::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN)); break;
        case 3:
            holder.reset(::CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder);
            break;
    }
    ASSERT_TRUE(process_.Start(medium_.SetupExe()));
    auto box = process_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Title(), kNotice);
    EXPECT_EQ(box->Text(), L"运行出错，请重新安装程序！");
    ASSERT_TRUE(box->PressOk());
    auto w = process_.WaitForWindow(ids::kDefaultClass);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Caption(), L"Tessovarine");
    EXPECT_EQ(w->Text(ids::kDefaultLbTitle), L"欢迎使用");
    ASSERT_TRUE(w->Click(ids::kDefaultBtnNext));  // still decides: the full installer starts
    EXPECT_TRUE(FullInstallerStarted());
    EXPECT_TRUE(Ends());
}

std::string UnreadableName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"Missing", "Folder", "Hidden", "Locked"};
    return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(Cases, UnreadableProductInfo, ::testing::Values(0, 1, 2, 3), UnreadableName);

// Anything but the exact text "1" takes the full installer's road.
class SetupValue : public Launcher, public ::testing::WithParamInterface<int> {};

TEST_P(SetupValue, OtherThanOneStartsTheFullInstaller) {
    switch (GetParam()) {
        case 0: break;  // absent
        case 1: ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"")); break;
        case 2: ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L" 1")); break;
        case 3: ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"01")); break;
        case 4: ASSERT_TRUE(e2e::SetRegDword(e2e::kProductKey, L"setup", 1)); break;
    }
    auto w = StartLauncher();
    ASSERT_TRUE(w.Click(ids::kDefaultBtnNext));
    ASSERT_TRUE(FullInstallerStarted());
    const auto report = e2e::ReadStandinReport(medium_.FullInstallerReport());
    ASSERT_TRUE(report);
    EXPECT_FALSE(e2e::CommandLineHasArguments(report->commandLine)) << report->commandLine;
    EXPECT_TRUE(report->useShowWindow);
    EXPECT_EQ(report->showWindow, SW_SHOWMINIMIZED);
    EXPECT_TRUE(Ends());
    EXPECT_FALSE(process_.FindTopWindow(e2e::kMessageBoxClass));
}

std::string SetupValueName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"Absent", "Empty", "LeadingBlank", "LeadingZero", "Dword"};
    return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(Cases, SetupValue, ::testing::Values(0, 1, 2, 3, 4), SetupValueName);

TEST_F(Launcher, AHiddenOrMissingFullInstallerIsNotFound) {
    for (const bool hidden : {true, false}) {
        if (hidden) {
            ASSERT_TRUE(::SetFileAttributesW(medium_.FullInstaller().c_str(), FILE_ATTRIBUTE_HIDDEN));
        } else {
            ::SetFileAttributesW(medium_.FullInstaller().c_str(), FILE_ATTRIBUTE_NORMAL);
            ASSERT_TRUE(::DeleteFileW(medium_.FullInstaller().c_str()));
        }
        auto w = StartLauncher();
        ASSERT_TRUE(w.Click(ids::kDefaultBtnNext));
        auto box = process_.WaitForMessageBox();
        ASSERT_TRUE(box) << "hidden=" << hidden;
        EXPECT_EQ(box->Title(), kNotice);
        EXPECT_EQ(box->Text(), L"未能找到安装文件！");
        ASSERT_TRUE(box->PressOk());
        EXPECT_TRUE(Ends());
        EXPECT_FALSE(e2e::ReadFileBytes(medium_.FullInstallerReport()));
    }
}

TEST_F(Launcher, AFullInstallerThatCannotStartIsReported) {
    ASSERT_TRUE(e2e::WriteFileBytes(medium_.FullInstaller(), "not a program"));
    auto w = StartLauncher();
    ASSERT_TRUE(w.Click(ids::kDefaultBtnNext));
    auto box = process_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Title(), kNotice);
    EXPECT_EQ(box->Text(), L"无法启动安装程序！");
    ASSERT_TRUE(box->PressOk());
    EXPECT_TRUE(Ends());
}

TEST_F(Launcher, ExitAndTheCloseButtonEndTheProgram) {
    auto w = StartLauncher();
    ASSERT_TRUE(w.Click(ids::kDefaultBtnExit));
    EXPECT_TRUE(Ends());

    w = StartLauncher();
    ASSERT_TRUE(w.Close());
    EXPECT_TRUE(Ends());
    EXPECT_FALSE(e2e::ReadFileBytes(medium_.FullInstallerReport()));
}

TEST_F(Launcher, TabWrapsBetweenTheButtonsAndEscapePressesNone) {
    auto w = StartLauncher();
    ASSERT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == ids::kDefaultBtnNext; }, 2000));
    ASSERT_TRUE(w.PressKey(VK_TAB));
    EXPECT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == ids::kDefaultBtnExit; }, 2000));
    ASSERT_TRUE(w.PressKey(VK_TAB));
    EXPECT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == ids::kDefaultBtnNext; }, 2000));
    ASSERT_TRUE(w.PressKey(VK_ESCAPE));
    EXPECT_FALSE(process_.WaitExit(500));
    EXPECT_TRUE(w.IsVisible());
    // Enter presses the focused button: here Exit.
    ASSERT_TRUE(w.PressKey(VK_TAB));
    ASSERT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == ids::kDefaultBtnExit; }, 2000));
    ASSERT_TRUE(w.PressKey(VK_RETURN));
    EXPECT_TRUE(Ends());
    EXPECT_FALSE(e2e::ReadFileBytes(medium_.FullInstallerReport()));
}

TEST_F(Launcher, AccessKeysPressTheirButtons) {
    auto w = StartLauncher();
    ASSERT_TRUE(w.PressAccessKey(L'N'));
    EXPECT_TRUE(FullInstallerStarted());
    EXPECT_TRUE(Ends());

    ::DeleteFileW(medium_.FullInstallerReport().c_str());
    w = StartLauncher();
    ASSERT_TRUE(w.PressAccessKey(L'e'));
    EXPECT_TRUE(Ends());
    EXPECT_FALSE(e2e::ReadFileBytes(medium_.FullInstallerReport()));
}

TEST_F(Launcher, SetupOneOpensTheWizardEvenWithoutAnInstallationFolder) {
    ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
    auto w = StartLauncher();
    ASSERT_TRUE(w.Click(ids::kDefaultBtnNext));
    EXPECT_TRUE(process_.WaitForWindow(ids::kSetupClass));
    EXPECT_TRUE(process_.WaitForWindowGone(ids::kDefaultClass));
    EXPECT_FALSE(e2e::ReadFileBytes(medium_.FullInstallerReport()));
}

}  // namespace
