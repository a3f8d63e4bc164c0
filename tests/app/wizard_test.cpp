#include <gtest/gtest.h>

#include <string>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;
using app::IniLines;
using app::kAppTitle;
using app::kMarkerKey;
using app::kCopyWait;
using app::kExitWait;
using app::kFailure;
using app::SameTree;

class Wizard : public app::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\a.txt", "class a"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\sub\\b.txt", "class b"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\class\\sub\\deep\\c.bin", std::string("\0\1\2\xFF", 4)));
        ASSERT_TRUE(medium_.MakeFolder(L"zrv\\class\\empty"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\u.txt", "upgrade u"));
        ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\up\\v.txt", "upgrade v"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
    }

    std::wstring Coon() const { return target_ / L"coon"; }
    std::wstring Tree(const wchar_t* name) const { return medium_ / (std::wstring(L"zrv\\") + name); }
    std::optional<std::wstring> Version() const { return e2e::ReadRegString(e2e::kProductKey, L"version"); }

    // Presses `button` and looks at the program until the `next` window is shown. Every look
    // finds a window of the program (the window that goes, looked at first, or the next one);
    // the next one comes in front with `focus`, and then the other goes.
    std::optional<e2e::Window> HandOver(const e2e::Window& from, int button, const wchar_t* next, int focus,
                                        DWORD timeoutMs = e2e::kDefaultTimeoutMs) {
        if (!from.Click(button)) return std::nullopt;
        int empty = 0;
        std::optional<e2e::Window> shown;
        for (const ULONGLONG end = ::GetTickCount64() + timeoutMs;
             !(shown = process_.FindTopWindow(next)) && ::GetTickCount64() < end; ::Sleep(1))
            empty += !from.IsVisible() && !process_.FindTopWindow(next);
        EXPECT_EQ(empty, 0) << "looks that found no window of the program";
        if (!shown) return std::nullopt;
        EXPECT_TRUE(e2e::WaitUntil([&] { return ::GetForegroundWindow() == shown->Handle(); }, 2000));
        EXPECT_TRUE(e2e::WaitUntil([&] { return shown->FocusedControlId() == focus; }, 2000));
        EXPECT_TRUE(e2e::WaitUntil([&] { return !from.Exists(); }, e2e::kDefaultTimeoutMs));
        return shown;
    }

    // From the Launcher through Next to the Wizard window.
    e2e::Window OpenWizard() {
        auto w = HandOver(StartLauncher(), ids::kDefaultBtnNext, ids::kSetupClass, ids::kSetupBtnNext);
        if (!w) {
            ADD_FAILURE() << "the Wizard window did not appear";
            return e2e::Window(nullptr);
        }
        return *w;
    }

    // Back to the reloaded Launcher, then Next to a reloaded Wizard; both show `name`.
    std::optional<e2e::Window> BackAndNextAgain(e2e::Window& wizard, const std::wstring& name) {
        auto launcher = HandOver(wizard, ids::kSetupBtnPre, ids::kDefaultClass, ids::kDefaultBtnNext);
        if (!launcher) return std::nullopt;
        EXPECT_EQ(launcher->Caption(), name);
        EXPECT_EQ(launcher->Text(ids::kDefaultLbTitle), L"欢迎使用 " + name);
        auto again = HandOver(*launcher, ids::kDefaultBtnNext, ids::kSetupClass, ids::kSetupBtnNext);
        if (!again) return std::nullopt;
        EXPECT_EQ(again->Caption(), name + L" 安装");
        EXPECT_EQ(again->Text(ids::kSetupLbInit), L"安装向导准备开始 " + name + L" 安装。");
        return again;
    }

    // Install, then the Completion window; Finish ends the program.
    void InstallToTheEnd(e2e::Window& wizard) {
        ASSERT_TRUE(wizard.Click(ids::kSetupBtnNext));
        auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
        ASSERT_TRUE(done) << "no Completion window";
        ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
        ASSERT_TRUE(process_.WaitExit(kExitWait));
    }

    // Files under `folder` of the shape the copy gives the files it writes beside their places.
    static int Temporaries(const std::wstring& folder) {
        int found = 0;
        WIN32_FIND_DATAW data;
        const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return 0;
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) found += Temporaries(folder + L"\\" + name);
            else found += name.size() == 12 && name.substr(8) == L".TMP" && name.find_first_of(L"$%&@_!#") == 0;
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
        return found;
    }

    void ExpectFailureBox() {
        auto box = process_.WaitForMessageBox(kCopyWait);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->Title(), kAppTitle);
        EXPECT_EQ(box->Text(), kFailure);
        ASSERT_TRUE(box->PressOk());
        ASSERT_TRUE(process_.WaitForWindowGone(e2e::kMessageBoxClass));
    }

    e2e::TempFolder target_{L"app target"};
};

TEST_F(Wizard, TheTypicalRoadCopiesRecordsAndCompletes) {
    auto w = OpenWizard();
    EXPECT_EQ(w.Caption(), L"泰索瓦林课堂 安装");
    EXPECT_EQ(w.Text(ids::kSetupLbInit), L"安装向导准备开始 泰索瓦林课堂 安装。");
    EXPECT_EQ(w.Text(ids::kSetupLbSetup), L"准备安装");
    EXPECT_EQ(w.Text(ids::kSetupLabel2), L"Advanced Installer");
    EXPECT_FALSE(w.IsControlVisible(ids::kSetupLbPb));
    EXPECT_FALSE(w.IsControlVisible(ids::kSetupPbSetup));
    const SIZE size = w.ClientSizePx();
    EXPECT_EQ(size.cx, 496);
    EXPECT_EQ(size.cy, 358);

    auto done = HandOver(w, ids::kSetupBtnNext, ids::kSetupEndClass, ids::kSetupEndBtnEnd, kCopyWait);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->Caption(), L"泰索瓦林课堂 安装");
    EXPECT_EQ(done->Text(ids::kSetupEndLbMsg), L"正在完成 泰索瓦林课堂 安装向导");
    EXPECT_EQ(done->Text(ids::kSetupEndLabel1), L"单击\"完成\"按钮退出安装向导");
    const SIZE endSize = done->ClientSizePx();
    EXPECT_EQ(endSize.cx, 496);
    EXPECT_EQ(endSize.cy, 358);

    // No version was recorded, so the medium's differs: the upgrade tree.
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"), L"TVC-2.1");
    EXPECT_EQ(Version(), L"2.1");

    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_TRUE(process_.WaitExit(kExitWait));
}

TEST_F(Wizard, EqualVersionsCopyTheClassTreeAndAnyDifferenceTheUpgradeTree) {
    struct Case {
        const wchar_t* recorded;  // nullptr: no value
        const wchar_t* medium;
        const wchar_t* tree;
    };
    const Case cases[] = {
        {L"2.1", L"2.1", L"class"},
        {L"2.1 ", L"2.1", L"upgrade"},
        {L"V2.1", L"v2.1", L"upgrade"},
        {nullptr, L"", L"class"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "medium version '" << testing::PrintToString(std::wstring(c.medium)) << "'");
        ASSERT_TRUE(e2e::RemoveTree(Coon()));
        ASSERT_TRUE(medium_.WriteSetupIni(IniLines({L"名", L"", c.medium, L"M"})));
        if (c.recorded) ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", c.recorded));
        else ASSERT_TRUE(e2e::DeleteRegValue(e2e::kProductKey, L"version"));
        auto w = OpenWizard();
        InstallToTheEnd(w);
        EXPECT_TRUE(SameTree(Tree(c.tree), Coon()));
    }
}

TEST_F(Wizard, InstallationFolderForms) {
    const std::wstring t = target_.Path();
    struct Case {
        std::wstring installPath;
        std::wstring coon;
    };
    const Case cases[] = {
        // Blanks just inside the quotation marks go too.
        {L"\"  " + t + L" \"", Coon()},
        // A folder that ends in a backslash gives two before "coon", which the platform takes.
        {L"\"" + t + L"\\\"", Coon()},
        // Without delimiters the first and last characters go all the same.
        {L"x" + t + L"y", Coon()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.installPath));
        e2e::RemoveTree(c.coon);
        ASSERT_TRUE(e2e::DeleteRegValue(e2e::kProductKey, L"version"));
        ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", c.installPath));
        auto w = OpenWizard();
        InstallToTheEnd(w);
        EXPECT_TRUE(SameTree(Tree(L"upgrade"), c.coon));
    }
}

TEST_F(Wizard, WithoutAnInstallationFolderNothingIsCopiedOrWritten) {
    for (const wchar_t* value : {static_cast<const wchar_t*>(nullptr), L"", L"\""}) {
        if (value) ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", value));
        else ASSERT_TRUE(e2e::DeleteRegValue(e2e::kProductKey, L"InstallPath"));
        auto w = OpenWizard();
        ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
        ExpectFailureBox();
        EXPECT_TRUE(w.IsVisible());
        EXPECT_FALSE(Version());
        EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
        ASSERT_TRUE(w.Click(ids::kSetupBtnExit));  // still usable
        EXPECT_TRUE(process_.WaitExit(kExitWait));
    }
    EXPECT_FALSE(e2e::ReadFileBytes(Coon() + L"\\u.txt"));
}

TEST_F(Wizard, AMissingSourceTreeIsAFailedCopy) {
    ASSERT_TRUE(e2e::RemoveTree(Tree(L"upgrade")));
    auto w = OpenWizard();
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    ExpectFailureBox();
    EXPECT_FALSE(Version());
    EXPECT_TRUE(w.IsVisible());
}

TEST_F(Wizard, AnEmptyMediumVersionIsRecordedAsABlankAndTheNextRunUpgrades) {
    ASSERT_TRUE(medium_.WriteSetupIni(IniLines({L"名", L"", L""})));  // fewer than four lines
    ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L""));
    auto w = OpenWizard();
    InstallToTheEnd(w);
    EXPECT_TRUE(SameTree(Tree(L"class"), Coon()));
    EXPECT_EQ(Version(), L" ");
    EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L""), L" ");  // the key's default value

    ASSERT_TRUE(e2e::RemoveTree(Coon()));
    w = OpenWizard();
    InstallToTheEnd(w);
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
}

TEST_F(Wizard, AnEmptyProductNameLeavesBothBlanks) {
    ASSERT_TRUE(medium_.WriteSetupIni(""));
    auto w = OpenWizard();
    EXPECT_EQ(w.Caption(), L" 安装");
    EXPECT_EQ(w.Text(ids::kSetupLbInit), L"安装向导准备开始  安装。");
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->Caption(), L" 安装");
    EXPECT_EQ(done->Text(ids::kSetupEndLbMsg), L"正在完成  安装向导");
    ASSERT_TRUE(done->Close());  // the close button ends the program as Finish does
    EXPECT_TRUE(process_.WaitExit(kExitWait));
}

// Blanks around the product name belong to it: every caption and text that holds the name
// holds them, in all three windows.
TEST_F(Wizard, BlanksAroundTheProductNameReachEveryText) {
    const std::wstring name = L"  泰索 瓦林  ";
    ASSERT_TRUE(medium_.WriteSetupIni(IniLines({name, L"", L"2.1", L"TVC-2.1", L""})));
    auto launcher = StartLauncher();
    EXPECT_EQ(launcher.Caption(), name);
    EXPECT_EQ(launcher.Text(ids::kDefaultLbTitle), L"欢迎使用 " + name);
    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto w = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Caption(), name + L" 安装");
    EXPECT_EQ(w->Text(ids::kSetupLbInit), L"安装向导准备开始 " + name + L" 安装。");

    // A failed copy leaves the texts of the copy on show to be read.
    setup::UniqueFile holder(::CreateFileW((medium_ / L"zrv\\upgrade\\up\\v.txt").c_str(), GENERIC_READ, 0,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    ASSERT_TRUE(w->Click(ids::kSetupBtnNext));
    ExpectFailureBox();
    EXPECT_EQ(w->Text(ids::kSetupLbMsg), L"请稍候，安装向导正在安装 " + name + L"。可能需要几分钟。");
    EXPECT_EQ(w->Text(ids::kSetupLbSetup), L"正在安装 " + name);
    EXPECT_EQ(w->Caption(), name + L" 安装");

    holder.reset();
    ASSERT_TRUE(w->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done) << "no Completion window";
    EXPECT_EQ(done->Caption(), name + L" 安装");
    EXPECT_EQ(done->Text(ids::kSetupEndLbMsg), L"正在完成 " + name + L" 安装向导");
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_TRUE(process_.WaitExit(kExitWait));
}

TEST_F(Wizard, AFailedCopyShowsItsStateAndInstallCopiesTheWholeTreeAgain) {
    e2e::Medium& m = medium_;
    // Held open without sharing, the second file of the tree can't be copied.
    setup::UniqueFile holder(::CreateFileW((m / L"zrv\\upgrade\\up\\v.txt").c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    auto w = OpenWizard();
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    ExpectFailureBox();
    EXPECT_EQ(w.Text(ids::kSetupLbMsg), L"请稍候，安装向导正在安装 泰索瓦林课堂。可能需要几分钟。");
    EXPECT_EQ(w.Text(ids::kSetupLbInit), L"");
    EXPECT_EQ(w.Text(ids::kSetupLbSetup), L"正在安装 泰索瓦林课堂");
    EXPECT_TRUE(w.IsControlVisible(ids::kSetupLbPb));
    EXPECT_EQ(w.Text(ids::kSetupLbPb), L"状态:  正在安装");
    EXPECT_TRUE(w.IsControlVisible(ids::kSetupPbSetup));
    EXPECT_EQ(w.ProgressRange(ids::kSetupPbSetup), (std::pair{0, 2}));
    EXPECT_EQ(w.ProgressPosition(ids::kSetupPbSetup), 1);
    EXPECT_EQ(e2e::ReadFileBytes(Coon() + L"\\u.txt"), "upgrade u");
    EXPECT_FALSE(Version());
    EXPECT_TRUE(w.IsControlEnabled(ids::kSetupBtnNext));
    EXPECT_TRUE(w.IsControlEnabled(ids::kSetupBtnPre));

    holder.reset();
    ASSERT_TRUE(e2e::WriteFileBytes(Coon() + L"\\u.txt", "stale"));
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done);
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    EXPECT_EQ(Version(), L"2.1");
}

TEST_F(Wizard, AFailedRegistryWriteIsAFailureAndRecordsNoVersion) {
    // A marker key that may be read but not written: the wizard can't record the marker.
    ASSERT_TRUE(app::MakeKeyReadOnly(kMarkerKey));
    auto w = OpenWizard();
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    ExpectFailureBox();
    EXPECT_TRUE(w.IsVisible());
    EXPECT_FALSE(process_.FindTopWindow(ids::kSetupEndClass));
    EXPECT_FALSE(Version());
    EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
}

TEST_F(Wizard, BackReturnsToAFreshLauncherAndNextToAFreshWizard) {
    auto w = OpenWizard();
    ASSERT_TRUE(medium_.WriteSetupIni(IniLines({L"新名称", L"", L"2.1", L"TVC-2.1"})));
    auto again = BackAndNextAgain(w, L"新名称");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Text(ids::kSetupLbSetup), L"准备安装");
}

// Each window keeps its five lines across its unloads: a later, shorter file replaces only
// the lines it has. The new name reaches the reloaded windows while the Wizard still
// compares and records the version and marker its first load read.
TEST_F(Wizard, AShorterFileAtALaterLoadKeepsTheEarlierLines) {
    ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.1"));
    auto w = OpenWizard();
    EXPECT_EQ(w.Caption(), L"泰索瓦林课堂 安装");
    ASSERT_TRUE(medium_.WriteSetupIni(IniLines({L"新名称"})));
    auto again = BackAndNextAgain(w, L"新名称");
    ASSERT_TRUE(again);

    ASSERT_TRUE(again->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done) << "no Completion window";
    EXPECT_EQ(done->Caption(), L"新名称 安装");
    EXPECT_EQ(done->Text(ids::kSetupEndLbMsg), L"正在完成 新名称 安装向导");
    // Line 3 still equals the recorded version: the class tree, and both lines recorded.
    EXPECT_TRUE(SameTree(Tree(L"class"), Coon()));
    EXPECT_EQ(Version(), L"2.1");
    EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"), L"TVC-2.1");
    EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L""));
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_TRUE(process_.WaitExit(kExitWait));
}

TEST_F(Wizard, AnUnreadableProductInformationFileEndsTheProgramAtLoad) {
    auto launcher = StartLauncher();
    ASSERT_TRUE(::DeleteFileW((medium_ / L"setup.ini").c_str()));
    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto box = process_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Title(), app::kNotice);
    EXPECT_EQ(box->Text(), L"运行出错，请重新安装程序！");
    ASSERT_TRUE(box->PressOk());
    EXPECT_TRUE(process_.WaitExit(kExitWait));
    EXPECT_FALSE(Version());
}

// The medium gone unreadable after the Wizard read it: the installation still runs to its
// end and is recorded; only the Completion window, which reads the file afresh, goes without
// the name.
TEST_F(Wizard, AProductInformationFileRemovedBeforeCompletionOnlyCostsTheName) {
    auto w = OpenWizard();
    ASSERT_TRUE(::DeleteFileW((medium_ / L"setup.ini").c_str()));
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done) << "no Completion window";
    EXPECT_FALSE(process_.FindTopWindow(e2e::kMessageBoxClass));
    EXPECT_EQ(done->Caption(), L" 安装");
    EXPECT_EQ(done->Text(ids::kSetupEndLbMsg), L"正在完成  安装向导");
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    EXPECT_EQ(Version(), L"2.1");
    EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"), L"TVC-2.1");
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
}

class LongCopy : public Wizard {
protected:
    const int files_ = 3000 * app::Slowdown();
    void SetUp() override {
        Wizard::SetUp();
        ASSERT_TRUE(e2e::RemoveTree(Tree(L"upgrade")));
        for (int i = 0; i < files_; ++i) ASSERT_TRUE(medium_.WriteFile(File(i), std::to_string(i)));
    }
    static std::wstring File(int i) {
        return L"zrv\\upgrade\\f" + std::to_wstring(i / 100) + L"\\" + std::to_wstring(i) + L".txt";
    }
    // Waits until files are being copied, and says whether the copy is still far from done.
    bool CopyUnderWay(e2e::Window& w) {
        const bool copying = e2e::WaitUntil([&] { return w.ProgressPosition(ids::kSetupPbSetup).value_or(0) > 0; },
                                            kCopyWait);
        return copying && w.ProgressPosition(ids::kSetupPbSetup).value_or(files_) < files_ / 2;
    }
    // Every way of pressing Install or Back; each must be ignored while the copy runs. A
    // click takes the focus to its button, as a mouse click does; keys leave it where it is.
    void ClickInstallAndBack(e2e::Window& w) {
        ASSERT_TRUE(w.Click(ids::kSetupBtnPre));
        ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    }
    void KeyInstallAndBack(e2e::Window& w) {
        ASSERT_TRUE(w.PressAccessKey(L'B'));
        ASSERT_TRUE(w.PressAccessKey(L'I'));
        ASSERT_TRUE(w.PressKey(VK_RETURN));
        ASSERT_TRUE(w.PressKey(VK_SPACE));
    }
    bool FocusIs(e2e::Window& w, int id) {
        return e2e::WaitUntil([&] { return w.FocusedControlId() == id; }, 2000);
    }
};

// Nothing is disabled during the copy, and the focus stays where the user left it.
TEST_F(LongCopy, InstallAndBackDoNothingWhileCopying) {
    auto w = OpenWizard();
    ASSERT_TRUE(FocusIs(w, ids::kSetupBtnNext));
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    ASSERT_TRUE(CopyUnderWay(w)) << "the copy ended before the test could press anything";
    for (const int id : {ids::kSetupBtnNext, ids::kSetupBtnPre, ids::kSetupBtnExit})
        EXPECT_TRUE(w.IsControlEnabled(id)) << id;
    EXPECT_TRUE(FocusIs(w, ids::kSetupBtnNext));
    ClickInstallAndBack(w);
    ASSERT_TRUE(w.PressKey(VK_RETURN));  // on Install, which the last click focused
    KeyInstallAndBack(w);
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done);
    EXPECT_FALSE(process_.FindTopWindow(ids::kDefaultClass));
    EXPECT_FALSE(process_.FindTopWindow(e2e::kMessageBoxClass));
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    EXPECT_EQ(Version(), L"2.1");
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_TRUE(process_.WaitExit(kExitWait));
}

// Started from the keyboard with the focus on Back, the copy leaves the focus there, and the
// failure's message gives it back there too.
TEST_F(LongCopy, TheFocusStaysWhereItWasDuringAndAfterACopy) {
    // Held open without sharing, the last file fails the copy at its very end.
    setup::UniqueFile holder(::CreateFileW((medium_ / File(files_ - 1)).c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    auto w = OpenWizard();
    ASSERT_TRUE(FocusIs(w, ids::kSetupBtnNext));
    ASSERT_TRUE(w.PressKey(VK_TAB));
    ASSERT_TRUE(FocusIs(w, ids::kSetupBtnPre));
    ASSERT_TRUE(w.PressAccessKey(L'I'));
    ASSERT_TRUE(CopyUnderWay(w)) << "the copy ended before the test could press anything";
    EXPECT_TRUE(FocusIs(w, ids::kSetupBtnPre));
    KeyInstallAndBack(w);  // Enter and Space on Back
    ExpectFailureBox();
    EXPECT_TRUE(w.IsVisible());
    EXPECT_FALSE(process_.FindTopWindow(ids::kDefaultClass));
    EXPECT_TRUE(FocusIs(w, ids::kSetupBtnPre));
    EXPECT_FALSE(Version());
}

TEST_F(LongCopy, CancelStopsTheCopyWritesNothingAndEnds) {
    for (const int how : {0, 1}) {
        SCOPED_TRACE(how == 0 ? "Cancel" : "close button");
        ASSERT_TRUE(e2e::RemoveTree(Coon()));
        auto w = OpenWizard();
        ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
        ASSERT_TRUE(CopyUnderWay(w));
        ASSERT_TRUE(how == 0 ? w.Click(ids::kSetupBtnExit) : w.Close());
        EXPECT_TRUE(process_.WaitExit(kExitWait));
        EXPECT_FALSE(Version());
        EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
        EXPECT_FALSE(SameTree(Tree(L"upgrade"), Coon()));  // stopped part-way
    }
}

// A shutdown, a logoff or an update's restart waits while files are copied, unless it must
// end; ended anyway, it stops the copy and nothing is recorded.
TEST_F(LongCopy, TheSessionWaitsForTheCopyOrEndsItRecordingNothing) {
    auto send = [](e2e::Window& w, UINT msg, WPARAM wp, LPARAM lp) {
        DWORD_PTR result = 0xBAD;
        ::SendMessageTimeoutW(w.Handle(), msg, wp, lp, SMTO_NORMAL, 5000, &result);
        return result;
    };
    auto w = OpenWizard();
    EXPECT_EQ(send(w, WM_QUERYENDSESSION, 0, 0), static_cast<DWORD_PTR>(TRUE)) << "no copy, nothing to wait for";
    ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
    ASSERT_TRUE(CopyUnderWay(w));
    EXPECT_EQ(send(w, WM_QUERYENDSESSION, 0, 0), static_cast<DWORD_PTR>(FALSE));
    EXPECT_EQ(send(w, WM_QUERYENDSESSION, 0, ENDSESSION_CRITICAL), static_cast<DWORD_PTR>(TRUE));
    // Windows may end the process as soon as the handler returns: by then no file is in flight.
    send(w, WM_ENDSESSION, TRUE, 0);
    process_.Kill();
    EXPECT_EQ(Temporaries(Coon()), 0);
    EXPECT_FALSE(Version());
    EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
    EXPECT_FALSE(SameTree(Tree(L"upgrade"), Coon()));
}

// An earlier installation, the program ended from outside while the copy replaces it (a
// forced shutdown, a power cut, the task manager): every installed file is the old one or the
// new one, whole, nothing is recorded, and the next run completes.
class Reinstall : public Wizard {
protected:
    static constexpr int kFiles = 32;
    static constexpr std::size_t kBytes = 8 << 20;
    void SetUp() override {
        Wizard::SetUp();
        ASSERT_TRUE(e2e::RemoveTree(Tree(L"upgrade")));
        for (int i = 0; i < kFiles; ++i) ASSERT_TRUE(medium_.WriteFile(L"zrv\\upgrade\\" + Name(i), Content(i, true)));
    }
    static std::wstring Name(int i) { return L"d" + std::to_wstring(i % 4) + L"\\" + std::to_wstring(i) + L".bin"; }
    static std::string Content(int i, bool fresh) {
        return std::string(kBytes, static_cast<char>((fresh ? 'A' : 'a') + i % 26));
    }
    void PutEarlierInstallation() {
        ASSERT_TRUE(e2e::RemoveTree(Coon()));
        for (int i = 0; i < kFiles; ++i) ASSERT_TRUE(e2e::WriteFileBytes(Coon() + L"\\" + Name(i), Content(i, false)));
    }
};

TEST_F(Reinstall, KilledMidCopyEveryFileIsOldOrNewWholeAndTheNextRunCompletes) {
    // The bar can't time the kills: under Wine it is seen every few tens of files. A whole copy
    // can.
    auto forget = [] { return e2e::DeleteRegValue(e2e::kProductKey, L"version") && e2e::DeleteRegTree(kMarkerKey); };
    PutEarlierInstallation();
    auto whole = OpenWizard();
    const ULONGLONG start = ::GetTickCount64();
    ASSERT_TRUE(whole.Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    const ULONGLONG copyMs = ::GetTickCount64() - start;
    ASSERT_TRUE(done);
    ASSERT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
    ASSERT_TRUE(forget());
    bool midCopy = false;
    for (const int percent : {10, 30, 50, 70}) {
        SCOPED_TRACE(percent);
        PutEarlierInstallation();
        auto w = OpenWizard();
        ASSERT_TRUE(w.Click(ids::kSetupBtnNext));
        ::Sleep(static_cast<DWORD>(copyMs * percent / 100));
        process_.Kill();
        int fresh = 0;
        for (int i = 0; i < kFiles; ++i) {
            const auto content = e2e::ReadFileBytes(Coon() + L"\\" + Name(i));
            ASSERT_TRUE(content == Content(i, false) || content == Content(i, true)) << i;
            fresh += content == Content(i, true);
        }
        midCopy = midCopy || (fresh > 0 && fresh < kFiles);
        if (fresh == kFiles) {
            ASSERT_TRUE(forget()) << "a copy that ended before the kill may have recorded its end";
            continue;
        }
        EXPECT_FALSE(Version());
        EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
    }
    EXPECT_TRUE(midCopy) << "no kill came while files were copied";
    auto w = OpenWizard();
    InstallToTheEnd(w);
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon())) << "the temporaries of the killed copies are gone too";
    EXPECT_EQ(Version(), L"2.1");

    // Killed in a fresh installation, which writes each file straight to its name: at most new
    // files part-written are left, nothing records them, and the next run makes them whole. The
    // kill waits for the files to appear, not for a time: a fresh copy's pace varies too much.
    ASSERT_TRUE(forget());
    ASSERT_TRUE(e2e::RemoveTree(Coon()));
    auto fresh = OpenWizard();
    ASSERT_TRUE(fresh.Click(ids::kSetupBtnNext));
    const auto begun = [&] {
        int present = 0;
        for (int i = 0; i < kFiles; ++i)
            present += ::GetFileAttributesW((Coon() + L"\\" + Name(i)).c_str()) != INVALID_FILE_ATTRIBUTES;
        return present >= kFiles / 4;
    };
    ASSERT_TRUE(e2e::WaitUntil(begun, kCopyWait));
    process_.Kill();
    int written = 0;
    for (int i = 0; i < kFiles; ++i) written += e2e::ReadFileBytes(Coon() + L"\\" + Name(i)) == Content(i, true);
    EXPECT_LT(written, kFiles) << "the kill came after the copy";
    EXPECT_FALSE(Version());
    EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
    auto again = OpenWizard();
    InstallToTheEnd(again);
    EXPECT_TRUE(SameTree(Tree(L"upgrade"), Coon()));
}

TEST_F(Wizard, KeyboardMovesThroughTheButtonsInTabOrder) {
    auto w = OpenWizard();
    ASSERT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == ids::kSetupBtnNext; }, 2000));
    for (const int expected : {ids::kSetupBtnPre, ids::kSetupBtnExit, ids::kSetupBtnNext}) {
        ASSERT_TRUE(w.PressKey(VK_TAB));
        EXPECT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == expected; }, 2000)) << expected;
    }
    ASSERT_TRUE(w.PressKey(VK_ESCAPE));
    // Enter or Space held down since the Launcher's Next repeats into Install.
    ASSERT_TRUE(w.PressKey(VK_RETURN, true));
    ASSERT_TRUE(w.PressKey(VK_SPACE, true));
    EXPECT_FALSE(process_.WaitExit(500));
    EXPECT_FALSE(w.IsControlVisible(ids::kSetupPbSetup));

    // Alt+B goes back; Alt+N comes forward again; Alt+E leaves.
    ASSERT_TRUE(w.PressAccessKey(L'B'));
    auto launcher = process_.WaitForWindow(ids::kDefaultClass);
    ASSERT_TRUE(launcher);
    ASSERT_TRUE(process_.WaitForWindowGone(ids::kSetupClass));
    ASSERT_TRUE(launcher->PressAccessKey(L'N'));
    auto again = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(again);
    ASSERT_TRUE(again->PressAccessKey(L'E'));
    EXPECT_TRUE(process_.WaitExit(kExitWait));

    // Alt+I installs; on the Completion window Alt+F finishes.
    w = OpenWizard();
    ASSERT_TRUE(w.PressAccessKey(L'I'));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done);
    ASSERT_TRUE(done->PressKey(VK_ESCAPE));
    EXPECT_FALSE(process_.WaitExit(500));
    ASSERT_TRUE(done->PressAccessKey(L'F'));
    EXPECT_TRUE(process_.WaitExit(kExitWait));

    // Enter presses the focused button.
    w = OpenWizard();
    ASSERT_TRUE(w.PressKey(VK_TAB));
    ASSERT_TRUE(e2e::WaitUntil([&] { return w.FocusedControlId() == ids::kSetupBtnPre; }, 2000));
    ASSERT_TRUE(w.PressKey(VK_RETURN));
    EXPECT_TRUE(process_.WaitForWindow(ids::kDefaultClass));
}

}  // namespace
