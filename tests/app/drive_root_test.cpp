// A medium at a drive root, as on a disc or a USB stick: setup.exe runs as X:\setup.exe, so
// its folder is "X:\" and every path it forms holds two backslashes in a row. The letter is
// mapped to an empty folder by the test's set-up step under ctest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "app_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;
using app::IniLines;
using app::kCopyWait;
using app::kExitWait;
using app::kMarkerKey;
using app::SameTree;

const std::wstring kRoot = std::wstring(DRIVE_ROOT_LETTER) + L":\\";

class DriveRoot : public ::testing::Test {
protected:
    void SetUp() override {
        const DWORD root = ::GetFileAttributesW(kRoot.c_str());
        ASSERT_TRUE(root != INVALID_FILE_ATTRIBUTES && (root & FILE_ATTRIBUTE_DIRECTORY))
            << testing::PrintToString(kRoot) << " is not mapped: run the test through ctest, whose set-up step maps it";
        ClearRoot();
        ASSERT_TRUE(target_.Ok());
        ASSERT_TRUE(::CopyFileW(app::SetupExe().c_str(), (kRoot + L"setup.exe").c_str(), FALSE));
        ASSERT_TRUE(e2e::MakeFolders(kRoot + L"zrv\\init"));
        ASSERT_TRUE(::CopyFileW(app::StandinExe().c_str(), FullInstaller().c_str(), FALSE));
        ASSERT_TRUE(e2e::WriteFileBytes(kRoot + L"setup.ini", IniLines({L"根目录课堂", L"", L"2.1", L"TVC-2.1", L""})));
        ASSERT_TRUE(e2e::WriteFileBytes(kRoot + L"zrv\\class\\a.txt", "class a"));
        ASSERT_TRUE(e2e::WriteFileBytes(kRoot + L"zrv\\class\\sub\\b.txt", "class b"));
        ASSERT_TRUE(e2e::WriteFileBytes(kRoot + L"zrv\\upgrade\\u.txt", "upgrade u"));
        e2e::DeleteRegTree(e2e::kProductKey);
    }
    void TearDown() override {
        process_.Kill();
        e2e::DeleteRegTree(e2e::kProductKey);
        ClearRoot();
    }

    // Everything on the drive goes; the mapping itself is the clean-up step's.
    static void ClearRoot() {
        WIN32_FIND_DATAW data{};
        setup::UniqueFind find(::FindFirstFileW((kRoot + L"*").c_str(), &data));
        if (!find) return;
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            EXPECT_TRUE(e2e::RemoveTree(kRoot + name)) << testing::PrintToString(name);
        } while (::FindNextFileW(find.get(), &data));
    }

    static std::wstring FullInstaller() { return kRoot + L"zrv\\init\\setup.exe"; }

    // Started from elsewhere, as from a prompt on another drive: every path must come from
    // the program's folder, none from the current one.
    e2e::Window StartLauncher() {
        EXPECT_TRUE(process_.Start(kRoot + L"setup.exe", target_.Path()));
        auto window = process_.WaitForWindow(ids::kDefaultClass);
        if (!window) {
            ADD_FAILURE() << "the Launcher window did not appear";
            return e2e::Window(nullptr);
        }
        return *window;
    }

    // Records the product as installed at folder, then goes from the Launcher to Install.
    std::optional<e2e::Window> Install(const std::wstring& folder) {
        EXPECT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
        EXPECT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + folder + L"\""));
        EXPECT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.1"));
        auto launcher = StartLauncher();
        EXPECT_TRUE(launcher.Click(ids::kDefaultBtnNext));
        auto w = process_.WaitForWindow(ids::kSetupClass);
        if (!w) {
            ADD_FAILURE() << "the Wizard window did not appear";
            return std::nullopt;
        }
        EXPECT_TRUE(w->Click(ids::kSetupBtnNext));
        return w;
    }

    e2e::TempFolder target_{L"root target"};
    e2e::Process process_;
};

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : std::wstring();
}

// The name is read from X:\\setup.ini, and the full installer started from X:\\zrv\init\.
TEST_F(DriveRoot, TheFullInstallerRoad) {
    auto w = StartLauncher();
    EXPECT_EQ(w.Caption(), L"根目录课堂");
    EXPECT_EQ(w.Text(ids::kDefaultLbTitle), L"欢迎使用 根目录课堂");
    ASSERT_TRUE(w.Click(ids::kDefaultBtnNext));
    const std::wstring reportPath = kRoot + L"zrv\\init\\started.txt";
    ASSERT_TRUE(e2e::WaitForFile(reportPath, 5000)) << "the full installer did not start";
    const auto report = e2e::ReadStandinReport(reportPath);
    ASSERT_TRUE(report);
    std::wstring program = report->commandLine;
    if (!program.empty() && program[0] == L'"') program = program.substr(1, program.find(L'"', 1) - 1);
    else program = program.substr(0, program.find(L' '));
    // Formed by appending to the folder "X:\", as given: the two backslashes stay.
    EXPECT_EQ(program, kRoot + L"\\zrv\\init\\setup.exe") << testing::PrintToString(report->commandLine);
    EXPECT_EQ(FullPath(program), FullInstaller());
    EXPECT_FALSE(e2e::CommandLineHasArguments(report->commandLine)) << testing::PrintToString(report->commandLine);
    EXPECT_EQ(FullPath(report->currentDirectory + L"\\"), kRoot + L"zrv\\init\\");
    EXPECT_TRUE(process_.WaitExit(kExitWait));
    EXPECT_FALSE(process_.FindTopWindow(e2e::kMessageBoxClass));
}

// The class tree is copied from X:\\zrv\class\ and the lines of X:\\setup.ini recorded.
TEST_F(DriveRoot, TheWizardRoad) {
    ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"setup", L"1"));
    ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"InstallPath", L"\"" + target_.Path() + L"\""));
    ASSERT_TRUE(e2e::SetRegString(e2e::kProductKey, L"version", L"2.1"));
    auto launcher = StartLauncher();
    ASSERT_TRUE(launcher.Click(ids::kDefaultBtnNext));
    auto w = process_.WaitForWindow(ids::kSetupClass);
    ASSERT_TRUE(w) << "the Wizard window did not appear";
    EXPECT_EQ(w->Caption(), L"根目录课堂 安装");
    ASSERT_TRUE(w->Click(ids::kSetupBtnNext));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done) << "no Completion window";
    EXPECT_EQ(done->Text(ids::kSetupEndLbMsg), L"正在完成 根目录课堂 安装向导");
    EXPECT_TRUE(SameTree(kRoot + L"zrv\\class", target_ / L"coon"));
    EXPECT_EQ(e2e::ReadRegString(e2e::kProductKey, L"version"), L"2.1");
    EXPECT_EQ(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"), L"TVC-2.1");
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
}

// From a disc every file reads read-only; the installed files must not, or the product could
// never update them. Runs where the prefix takes the drive for a CD-ROM drive.
TEST_F(DriveRoot, FromADiscTheInstalledFilesAreWritable) {
    if (::GetDriveTypeW(kRoot.c_str()) != DRIVE_CDROM) GTEST_SKIP() << "the drive is no CD-ROM drive in this run";
    for (const wchar_t* file : {L"zrv\\class\\a.txt", L"zrv\\class\\sub\\b.txt"})
        ASSERT_TRUE(::SetFileAttributesW((kRoot + file).c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(Install(target_.Path()));
    auto done = process_.WaitForWindow(ids::kSetupEndClass, kCopyWait);
    ASSERT_TRUE(done) << "no Completion window";
    EXPECT_TRUE(SameTree(kRoot + L"zrv\\class", target_ / L"coon"));
    for (const wchar_t* file : {L"coon\\a.txt", L"coon\\sub\\b.txt"}) {
        const DWORD attributes = ::GetFileAttributesW((target_ / file).c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << testing::PrintToString(std::wstring(file));
        EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY) << testing::PrintToString(std::wstring(file));
    }
    ASSERT_TRUE(done->Click(ids::kSetupEndBtnEnd));
    EXPECT_EQ(process_.WaitExit(kExitWait), 0u);
}

// An installation folder on a volume too small for the tree: "失败!" before anything is made
// there, and nothing recorded. Runs where the test's set-up step gives a small volume.
TEST_F(DriveRoot, AVolumeTooSmallFailsBeforeAnythingIsMade) {
    const char* small = std::getenv("SETUP_TEST_SMALL_VOLUME");
    if (!small) GTEST_SKIP() << "no small volume in this run";
    const std::wstring folder = std::wstring(small, small + std::strlen(small)) + L"\\Tess";
    e2e::RemoveTree(folder);
    ASSERT_TRUE(e2e::MakeFolders(folder));
    // Twice the volume's size, in files each of which would fit.
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(e2e::WriteFileBytes(kRoot + L"zrv\\class\\big" + std::to_wstring(i) + L".bin",
                                        std::string(256 * 1024, 'x')));
    auto w = Install(folder);
    ASSERT_TRUE(w);
    auto box = process_.WaitForMessageBox(kCopyWait);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Text(), app::kFailure);
    EXPECT_EQ(::GetFileAttributesW((folder + L"\\coon").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is made";
    EXPECT_FALSE(e2e::ReadRegString(kMarkerKey, L"TVC-2.1"));
    EXPECT_EQ(e2e::ReadRegString(e2e::kProductKey, L"version"), L"2.1") << "the version is left as it was";
    ASSERT_TRUE(box->PressOk());
    ASSERT_TRUE(w->Click(ids::kSetupBtnExit));
    EXPECT_TRUE(process_.WaitExit(kExitWait));
    e2e::RemoveTree(folder);
}

}  // namespace
