// The installer on large and awkward trees, from a medium on a Chinese path with blanks. The
// trees are laid out, and the copies compared file by file, from the Linux side by
// scale_trees.py (the test's set-up and clean-up steps under ctest); this test drives the
// program through them and times how fast its window answers during the long copy.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

// Kept equal to scale_trees.py.
constexpr wchar_t kMedia[] = L"安装 媒体  光盘";
constexpr wchar_t kTargets[] = L"目标 文件夹";
constexpr int kBigFiles = 200000;

constexpr DWORD kCopyWaitMs = 20 * 60 * 1000;
constexpr DWORD kExitWaitMs = 15000;
constexpr DWORD kPingEveryMs = 50;
constexpr double kMaxLatencyMs = 100;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

struct Ping {
    double sentAtMs;   // since Install was pressed
    double latencyMs;  // until the window had handled it
    bool copying;      // the bar's range was set: listing and folders were done
};

class Scale : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::DeleteRegTree(e2e::kProductKey);
        root_ = e2e::WindowsPath(SCALE_ROOT);
    }
    void TearDown() override {
        process_.Kill();
        e2e::DeleteRegTree(e2e::kProductKey);
    }

    std::wstring Medium(const std::wstring& name) const { return root_ + L"\\" + kMedia + L"\\" + name; }
    std::wstring Target(const std::wstring& name) const { return root_ + L"\\" + kTargets + L"\\" + name; }

    // The case's medium gets the program and its information file; the product points at the
    // case's target folder. Then Launcher, Next, and the Wizard window.
    void OpenWizard(const std::wstring& name) {
        const std::wstring medium = Medium(name);
        const DWORD tree = ::GetFileAttributesW((medium + L"\\zrv\\upgrade").c_str());
        ASSERT_TRUE(tree != INVALID_FILE_ATTRIBUTES && (tree & FILE_ATTRIBUTE_DIRECTORY))
            << "no tree for this case: run the test through ctest, whose set-up step makes it";
        ASSERT_TRUE(::CopyFileW(app::SetupExe().c_str(), (medium + L"\\setup.exe").c_str(), FALSE));
        ASSERT_TRUE(e2e::WriteFileBytes(medium + L"\\setup.ini",
                                        app::IniLines({L"规模 测试", L"", L"3.0", L"SCALE-3.0", L""})));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + Target(name) + L"\""));

        ASSERT_TRUE(process_.Start(medium + L"\\setup.exe"));
        auto launcher = process_.WaitForWindow(ids::kDefaultClass);
        ASSERT_TRUE(launcher) << "the Launcher window did not appear";
        ASSERT_TRUE(launcher->Click(ids::kDefaultBtnNext));
        auto wizard = process_.WaitForWindow(ids::kSetupClass);
        ASSERT_TRUE(wizard) << "the Wizard window did not appear";
        // The information file was read from the medium's Chinese path.
        EXPECT_EQ(wizard->Caption(), L"规模 测试 安装");
        wizard_ = wizard->Handle();
    }

    bool Finished() const {
        return process_.FindTopWindow(ids::kSetupEndClass) || process_.FindTopWindow(e2e::kMessageBoxClass) ||
               !process_.IsRunning();
    }

    // The copy ended on the Completion window, the version was recorded, and Finish ends it.
    void ExpectCompleted() {
        if (auto box = process_.FindTopWindow(e2e::kMessageBoxClass))
            FAIL() << "the copy failed: " << testing::PrintToString(e2e::MessageBoxView(box->Handle()).Text());
        auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWaitMs);
        ASSERT_TRUE(done) << "no Completion window";
        EXPECT_EQ(e2e::ReadRegString(e2e::kProductKey, L"version"), L"3.0");
        ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
        EXPECT_TRUE(process_.WaitExit(kExitWaitMs));
    }

    void Install(const std::wstring& name) {
        OpenWizard(name);
        if (HasFatalFailure()) return;
        ASSERT_TRUE(e2e::Window(wizard_).Click(ids::kSetupBtnNext));
        ASSERT_TRUE(e2e::WaitUntil([&] { return Finished(); }, kCopyWaitMs));
        ExpectCompleted();
    }

    std::wstring root_;
    HWND wizard_ = nullptr;
    e2e::Process process_;
};

// Destination paths from 248 to over 400 characters, folders past 248 and 260 among them.
TEST_F(Scale, PathsBeyondTheOldLimitAreCopied) { Install(L"long"); }

// Chinese, emoji and supplementary-plane names; leading, doubled and trailing blanks and dots,
// which plain Win32 paths would strip.
TEST_F(Scale, OddNamesAreCopiedExactly) { Install(L"names"); }

// Two files, and two folders, whose names differ only in letter case would land on one name:
// every attempt fails before anything is made, instead of one silently replacing the other.
TEST_F(Scale, NamesThatClashOnTheDiskFailEveryAttemptBeforeAnythingIsMade) {
    OpenWizard(L"clash");
    if (HasFatalFailure()) return;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        ASSERT_TRUE(e2e::Window(wizard_).Click(ids::kSetupBtnNext));
        // Four small files: a copy that ran instead of failing has long ended by then.
        auto box = process_.WaitForMessageBox(app::kCopyWait);
        ASSERT_TRUE(box) << "no failure box";
        EXPECT_EQ(box->Text(), L"失败!");
        EXPECT_FALSE(e2e::ReadRegString(e2e::kProductKey, L"version"));
        EXPECT_EQ(::GetFileAttributesW((Target(L"clash") + L"\\coon").c_str()), INVALID_FILE_ATTRIBUTES)
            << "nothing is made";
        ASSERT_TRUE(box->PressOk());
        ASSERT_TRUE(process_.WaitForWindowGone(e2e::kMessageBoxClass));
    }
    ASSERT_TRUE(e2e::Window(wizard_).Click(ids::kSetupBtnExit));
    EXPECT_TRUE(process_.WaitExit(kExitWaitMs));
}

// 200,000 files in 20,000 folders. Every ~50 ms, from Install until the Completion window,
// the window and its progress bar are each sent a message: each must be handled within 100 ms.
TEST_F(Scale, ALargeTreeIsCopiedWhileTheWindowAnswersPromptly) {
    OpenWizard(L"big");
    if (HasFatalFailure()) return;
    const e2e::Window wizard(wizard_);
    std::vector<Ping> pings;
    int unanswered = 0;
    const LARGE_INTEGER pressed = Now();
    ASSERT_TRUE(wizard.Click(ids::kSetupBtnNext));
    const HWND bar = wizard.Control(ids::kSetupPbSetup);
    ASSERT_TRUE(bar);
    double copyingFromMs = -1;
    // Sends one message, timing it until handled; false if it wasn't.
    auto send = [&](HWND to, UINT message, WPARAM wParam, bool copying, DWORD_PTR& result) {
        const LARGE_INTEGER sent = Now();
        const bool handled = ::SendMessageTimeoutW(to, message, wParam, 0, SMTO_NORMAL, 10000, &result) != 0;
        const LARGE_INTEGER answered = Now();
        if (handled) pings.push_back({Milliseconds(pressed, sent), Milliseconds(sent, answered), copying});
        // A window gone at the end is no failure: the bar goes first, as the Wizard window closes.
        else if (::IsWindow(to) && wizard.Exists()) ++unanswered;
        return handled;
    };
    while (!Finished()) {
        ASSERT_LT(Milliseconds(pressed, Now()), kCopyWaitMs) << "the copy did not end";
        const bool copying = copyingFromMs >= 0;
        DWORD_PTR result = 0;
        send(wizard_, WM_NULL, 0, copying, result);
        // The bar's upper end tells when listing and folder creation are over.
        if (send(bar, PBM_GETRANGE, FALSE, copying, result) && !copying && result == kBigFiles)
            copyingFromMs = Milliseconds(pressed, Now());
        ::Sleep(kPingEveryMs);
    }
    const double totalMs = Milliseconds(pressed, Now());
    ExpectCompleted();

    EXPECT_EQ(unanswered, 0);
    ASSERT_FALSE(pings.empty());
    std::vector<double> latencies;
    int listing = 0;
    for (const Ping& p : pings) {
        latencies.push_back(p.latencyMs);
        if (!p.copying) ++listing;
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies[static_cast<size_t>(q * static_cast<double>(latencies.size() - 1))]; };
    std::printf("install of %d files: %.1f s (listing and folders %.1f s); %zu pings (%d before the copy "
                "proper): median %.2f ms, 90%% %.2f ms, 99%% %.2f ms, max %.2f ms\n",
                kBigFiles, totalMs / 1000, copyingFromMs / 1000, pings.size(), listing, at(0.5), at(0.9), at(0.99),
                latencies.back());
    for (const Ping& p : pings)
        if (p.latencyMs > kMaxLatencyMs * app::Slowdown())
            ADD_FAILURE() << "a message sent " << p.sentAtMs << " ms after Install took " << p.latencyMs
                          << " ms to be handled" << (p.copying ? "" : " (before the copy proper)");
    EXPECT_GT(copyingFromMs, 0) << "the bar never showed the whole tree's range";
    EXPECT_GT(listing, 0) << "no message was sent while the tree was listed";
}

}  // namespace
