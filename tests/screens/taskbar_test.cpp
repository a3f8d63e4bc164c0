// The taskbar button in a real run: the shell's message reaches every window of setup.exe
// and nothing fails, whether the shell's taskbar list is Wine's stub or missing altogether
// (TASKBAR_LIST=absent, with Wine's explorerframe.dll disabled for the run).
#include <gtest/gtest.h>
#include <shobjidl.h>

#include <cstdlib>
#include <string>

#include "app/app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

// The message Explorer sends once a window's button is on the taskbar.
bool AnnounceButton(const e2e::Window& w) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(w.Handle(), ::RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0, SMTO_ABORTIFHUNG,
                                 5000, &result) != 0;
}

bool TaskbarListExists() {
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ITaskbarList3* list = nullptr;
    const bool made = SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                                   reinterpret_cast<void**>(&list)));
    if (list) list->Release();
    if (com) ::CoUninitialize();
    return made;
}

class TaskbarButton : public app::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        const char* expected = std::getenv("TASKBAR_LIST");
        ASSERT_TRUE(expected) << "TASKBAR_LIST=stub or absent";
        // The run really has the list it claims: setup.exe inherits this environment.
        ASSERT_EQ(TaskbarListExists(), std::string(expected) == "stub");
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.1"));
    }

    std::optional<e2e::Window> OpenWizard() {
        auto launcher = StartLauncher();
        EXPECT_TRUE(AnnounceButton(launcher));
        EXPECT_TRUE(launcher.Click(ids::kDefaultBtnNext));
        auto wizard = process_.WaitForWindow(ids::kSetupClass);
        if (wizard) {
            EXPECT_TRUE(AnnounceButton(*wizard));
        }
        return wizard;
    }

    e2e::TempFolder target_{L"taskbar target"};
};

// A failed copy, then Install again with a tree on the medium: one run through every state
// the button shows.
TEST_F(TaskbarButton, AFailedCopyThenACompleteOneWithTheButtonAnnounced) {
    auto wizard = OpenWizard();  // no tree on the medium yet
    ASSERT_TRUE(wizard);
    ASSERT_TRUE(wizard->Click(ids::kSetupBtnNext));
    auto box = process_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Text(), app::kFailure);
    ASSERT_TRUE(box->PressOk());
    ASSERT_TRUE(process_.WaitForWindowGone(e2e::kMessageBoxClass));
    EXPECT_TRUE(AnnounceButton(*wizard));  // as after Explorer restarts

    ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\a.txt", "a"));
    ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\b\\c.txt", "c"));
    ASSERT_TRUE(wizard->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, app::kCopyWait);
    ASSERT_TRUE(done);
    EXPECT_TRUE(AnnounceButton(*done));
    EXPECT_TRUE(app::SameTree(medium_ / L"zrv\\class", target_ / L"coon"));
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_EQ(process_.WaitExit(app::kExitWait), std::optional<DWORD>(0));
}

}  // namespace
