#include <gtest/gtest.h>

#include "app/app_support.hpp"
#include "planted_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;
using hardening::Marks;

constexpr DWORD kCopyWait = 60000;
constexpr DWORD kExitWait = 15000;

// A medium with every stand-in DLL beside setup.exe and in setup.exe.local, and a decoy
// program wherever a blank cuts the medium's path short; the whole road is walked.
class PlantedCode : public app::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(marks_.Ok());
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(hardening::PlantDlls(medium_.Path()));
        ASSERT_TRUE(hardening::PlantDlls(medium_ / L"setup.exe.local"));
        decoys_ = hardening::WordPrefixPrograms(medium_.FullInstaller());
        ASSERT_FALSE(decoys_.empty());
        for (const auto& decoy : decoys_)
            ASSERT_TRUE(::CopyFileW(hardening::DecoyExe().c_str(), decoy.c_str(), FALSE));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\u.txt", "upgrade u"));
    }
    void TearDown() override {
        AppTest::TearDown();
        for (const auto& decoy : decoys_) ::DeleteFileW(decoy.c_str());
    }

    // Launcher, Next, Wizard, Install, Completion, Finish.
    void WalkTheWizardRoad() {
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
        auto launcher = StartLauncher();
        ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
        auto wizard = process_.WaitForWindow(ids::kSetupClass);
        ASSERT_TRUE(wizard);
        ASSERT_TRUE(wizard->Click(ids::kSetupBtnNext));
        auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
        ASSERT_TRUE(done);
        ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
        ASSERT_TRUE(process_.WaitExit(kExitWait));
        EXPECT_EQ(e2e::ReadFileBytes(target_ / L"coon\\u.txt"), "upgrade u");
    }

    // Launcher, Next: the full installer starts and setup.exe ends.
    void WalkTheFullInstallerRoad() {
        auto launcher = StartLauncher();
        ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
        ASSERT_TRUE(e2e::WaitForFile(medium_.FullInstallerReport(), 5000));
        ASSERT_TRUE(process_.WaitExit(kExitWait));
    }

    Marks marks_;
    e2e::TempFolder target_{L"planted target"};
    std::vector<std::wstring> decoys_;
};

TEST_F(PlantedCode, NoneRunsOnTheWizardRoad) {
    WalkTheWizardRoad();
    EXPECT_TRUE(marks_.None());
}

TEST_F(PlantedCode, NoneRunsOnTheFullInstallerRoad) {
    WalkTheFullInstallerRoad();
    EXPECT_TRUE(marks_.None());
}

// The controls: what the two tests above would see if a planted DLL ran. The same program
// without its hardening runs planted msimg32 (Wine's uxtheme loads it when the first window
// is drawn); the override reaches setup.exe's process (Wine's user32 imports version.dll,
// so a planted copy runs there before the program's first line).
TEST_F(PlantedCode, TheSameProgramWithoutItsHardeningRunsThem) {
    ASSERT_TRUE(medium_.PlaceSetup(hardening::UnhardenedSetupExe()));
    WalkTheWizardRoad();
    EXPECT_TRUE(marks_.Has(L"msimg32.dll")) << testing::PrintToString(marks_.List());
}

TEST_F(PlantedCode, TheOverrideReachesTheProgram) {
    const std::wstring planted = medium_ / L"version.dll";
    ASSERT_TRUE(::CopyFileW(hardening::ControlVersionDll().c_str(), planted.c_str(), FALSE));
    WalkTheFullInstallerRoad();
    EXPECT_TRUE(marks_.Has(L"version.dll")) << testing::PrintToString(marks_.List());
}

}  // namespace
