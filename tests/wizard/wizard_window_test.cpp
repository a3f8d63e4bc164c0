// The Wizard window in-process on a desktop of the test's choosing: what its taskbar button
// shows and what a screen reader hears through a copy that succeeds and one that fails.
#include "wizard/wizard_window.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "e2e/fixture.hpp"
#include "platform/program_folder.hpp"
#include "ui/application.hpp"
#include "ui/control_ids.hpp"
#include "ui/fake_desktop.hpp"

namespace setup::test {
namespace {

class RecordingNavigator final : public ui::Navigator {
public:
    ui::Form* current = nullptr;
    int completions = 0;
    void ShowLauncher() override { current->Unload(); }
    void ShowWizard() override {}
    void ShowCompletion() override {
        ++completions;
        current->Unload();
    }
};

// Answers the message box the window shows, noting its text and the button's state then.
struct Answered {
    std::wstring text;
    std::vector<TaskbarCall> callsThen;
};
std::vector<Answered>* answered = nullptr;
const std::vector<TaskbarCall>* taskbarCalls = nullptr;

LRESULT CALLBACK AnswerMessageBox(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE && answered) {
        HWND box = reinterpret_cast<HWND>(wp);
        wchar_t name[16] = {};
        ::GetClassNameW(box, name, 16);
        if (std::wstring(name) == L"#32770") {
            wchar_t text[64] = {};
            ::GetDlgItemTextW(box, 0xFFFF, text, 64);
            answered->push_back({text, *taskbarCalls});
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

class WizardTaskbar : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        ASSERT_TRUE(e2e::WriteFileBytes(folder_ + L"\\setup.ini", "Tessovarine\r\n\r\n2.1\r\nTVC-2.1\r\n"));
        ASSERT_TRUE(e2e::WriteFileBytes(folder_ + L"\\zrv\\class\\a.txt", "a"));
        ASSERT_TRUE(e2e::WriteFileBytes(folder_ + L"\\zrv\\class\\sub\\b.txt", "b"));
        ASSERT_TRUE(target_.Ok());
        e2e::DeleteRegTree(e2e::kProductKey);
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.1"));
        answered = &answered_;
        taskbarCalls = desktop_.calls.get();
        hook_ = ::SetWindowsHookExW(WH_CBT, AnswerMessageBox, nullptr, ::GetCurrentThreadId());
        ASSERT_TRUE(hook_);
        navigator_.current = &wizard_;
        wizard_.Load();
        ASSERT_TRUE(wizard_.Loaded());
        hwnd_ = wizard_.Handle();
        ::SendMessageW(hwnd_, ui::TaskbarButton::CreatedMessage(), 0, 0);
    }
    void TearDown() override {
        wizard_.Unload();
        ::UnhookWindowsHookEx(hook_);
        answered = nullptr;
        e2e::RemoveTree(folder_ + L"\\zrv");
        ::DeleteFileW((folder_ + L"\\setup.ini").c_str());
        e2e::DeleteRegTree(e2e::kProductKey);
    }
    void Install() {
        HWND button = wizard_.Control(ids::kSetupBtnNext);
        ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(ids::kSetupBtnNext, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        ui::PumpWaitingMessages();
    }
    const std::vector<TaskbarCall>& Calls() const { return *desktop_.calls; }
    const std::wstring status_ = L"正在安装 Tessovarine";

    std::wstring folder_;
    e2e::TempFolder target_{L"wizard target"};
    FakeDesktop desktop_;
    RecordingNavigator navigator_;
    WizardWindow wizard_{navigator_, desktop_};
    std::vector<Answered> answered_;
    HHOOK hook_ = nullptr;
    HWND hwnd_ = nullptr;
};

TEST_F(WizardTaskbar, ShowsTheCopyInProgressAndNothingOnceTheWindowHandsOver) {
    EXPECT_TRUE(Calls().empty()) << "nothing to show before Install";
    EXPECT_EQ(desktop_.reader.dialogs, std::set{hwnd_}) << "read as a dialog when it opens";
    Install();
    ASSERT_EQ(navigator_.completions, 1);
    EXPECT_TRUE(answered_.empty());
    ASSERT_GE(Calls().size(), 4u);
    EXPECT_EQ(Calls().front(), State(hwnd_, TBPF_NORMAL));
    EXPECT_EQ(Calls()[1], Value(hwnd_, 0, 2));
    EXPECT_EQ(Calls()[Calls().size() - 2], Value(hwnd_, 2, 2));
    EXPECT_EQ(Calls().back(), State(hwnd_, TBPF_NOPROGRESS));
    for (const auto& call : Calls()) EXPECT_FALSE(call == State(hwnd_, TBPF_ERROR));
    // The status label was heard as the copy started and once it had ended.
    EXPECT_EQ(desktop_.reader.heard, (std::vector{status_, status_}));
    EXPECT_TRUE(desktop_.reader.dialogs.empty() && desktop_.reader.liveRegions.empty()) << "left behind";
}

TEST_F(WizardTaskbar, TurnsRedWhenTheFailureIsShownAndClearsWhenTheWindowGoes) {
    ASSERT_TRUE(e2e::RemoveTree(folder_ + L"\\zrv\\class"));
    Install();
    ASSERT_EQ(answered_.size(), 1u);
    EXPECT_EQ(answered_[0].text, L"失败!");
    EXPECT_EQ(desktop_.reader.heard, (std::vector{status_, status_})) << "as the copy started and at the failure";
    ASSERT_FALSE(answered_[0].callsThen.empty());
    EXPECT_EQ(answered_[0].callsThen.back(), State(hwnd_, TBPF_ERROR));
    EXPECT_EQ(Calls().back(), State(hwnd_, TBPF_ERROR)) << "still red after the message";
    EXPECT_TRUE(wizard_.Loaded());
    EXPECT_EQ(navigator_.completions, 0);

    // Install again, now with a tree: the button leaves red for the progress.
    ASSERT_TRUE(e2e::WriteFileBytes(folder_ + L"\\zrv\\class\\a.txt", "a"));
    const size_t before = Calls().size();
    Install();
    ASSERT_EQ(navigator_.completions, 1);
    ASSERT_GT(Calls().size(), before);
    EXPECT_EQ(Calls()[before], State(hwnd_, TBPF_NORMAL));
    EXPECT_EQ(Calls().back(), State(hwnd_, TBPF_NOPROGRESS));
}

}  // namespace
}  // namespace setup::test
