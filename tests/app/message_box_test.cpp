// Every message box the program shows for an expected failure, in one place: an OK button
// only, no icon, and the title of the window that shows it (the Launcher's notice title, or
// the application's name on the Wizard's "失败!").
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;
using app::kAppTitle;
using app::kCopyWait;
using app::kExitWait;
using app::kFailure;
using app::kMarkerKey;
using app::kNotice;

class FailureMessages;

struct FailureCase {
    const char* name;
    const wchar_t* title;
    const wchar_t* text;
    // Arranges the fault and drives the program up to the box.
    std::function<void(FailureMessages&)> reach;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailureMessages : public app::AppTest, public ::testing::WithParamInterface<FailureCase> {
public:
    using AppTest::StartLauncher;

    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\u.txt", "upgrade u"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\up\\v.txt", "upgrade v"));
    }

    void UseTheWizard() {
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
    }
    void DeleteMediumFile(const std::wstring& relative) {
        ASSERT_TRUE(::DeleteFileW((medium_ / relative).c_str()));
    }
    void PressLauncherNext() {
        auto launcher = StartLauncher();
        ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    }
    void PressInstall() {
        PressLauncherNext();
        auto wizard = process_.WaitForWindow(ids::kSetupClass);
        ASSERT_TRUE(wizard) << "the Wizard window did not appear";
        ASSERT_TRUE(wizard->Click(ids::kSetupBtnNext));
    }

    const e2e::Medium& Medium() const { return medium_; }
    e2e::Process& Program() { return process_; }

    e2e::TempFolder target_{L"boxes target"};
    setup::UniqueFile held_;
};

std::vector<FailureCase> AllFailures() {
    return {
        {"LauncherWithoutProductInformation", kNotice, L"运行出错，请重新安装程序！",
         [](FailureMessages& f) {
             f.DeleteMediumFile(L"setup.ini");
             ASSERT_TRUE(f.Program().Start(f.Medium().SetupExe()));
         }},
        {"FullInstallerMissing", kNotice, L"未能找到安装文件！",
         [](FailureMessages& f) {
             f.DeleteMediumFile(L"zrv\\init\\setup.exe");
             f.PressLauncherNext();
         }},
        {"FullInstallerCannotStart", kNotice, L"无法启动安装程序！",
         [](FailureMessages& f) {
             ASSERT_TRUE(f.Medium().WriteFile(L"zrv\\init\\setup.exe", "not a program"));
             f.PressLauncherNext();
         }},
        {"WizardLoadWithoutProductInformation", kNotice, L"运行出错，请重新安装程序！",
         [](FailureMessages& f) {
             f.UseTheWizard();
             auto launcher = f.StartLauncher();
             f.DeleteMediumFile(L"setup.ini");
             ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
         }},
        {"DestinationRefused", kAppTitle, kFailure,
         [](FailureMessages& f) {
             f.UseTheWizard();
             ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"relative\""));
             f.PressInstall();
         }},
        {"CopyFailed", kAppTitle, kFailure,
         [](FailureMessages& f) {
             f.UseTheWizard();
             f.held_.reset(::CreateFileW((f.Medium() / L"zrv\\upgrade\\up\\v.txt").c_str(), GENERIC_READ, 0,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
             ASSERT_TRUE(f.held_);
             f.PressInstall();
         }},
        {"RegistryWriteFailed", kAppTitle, kFailure,
         [](FailureMessages& f) {
             f.UseTheWizard();
             ASSERT_TRUE(app::MakeKeyReadOnly(kMarkerKey));
             f.PressInstall();
         }},
    };
}

TEST_P(FailureMessages, HaveAnOkButtonOnlyNoIconAndTheirWindowsTitle) {
    const FailureCase& c = GetParam();
    c.reach(*this);
    if (HasFatalFailure()) return;
    auto box = process_.WaitForMessageBox(kCopyWait);
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box->Title(), c.title);
    EXPECT_EQ(box->Text(), c.text);
    EXPECT_EQ(box->ButtonIds(), std::vector<int>{IDOK});
    EXPECT_FALSE(box->ShowsIcon());
    EXPECT_EQ(box->Style() & WS_CAPTION, static_cast<LONG>(WS_CAPTION)) << "the title has no bar to stand in";
    ASSERT_TRUE(box->PressOk());
    EXPECT_TRUE(process_.WaitForWindowGone(e2e::kMessageBoxClass, kExitWait));
}

INSTANTIATE_TEST_SUITE_P(Cases, FailureMessages, ::testing::ValuesIn(AllFailures()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
