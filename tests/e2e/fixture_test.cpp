// The test set-up helpers: registry view, trees, the medium, the stand-in full installer.
#include <gtest/gtest.h>

#include "driver.hpp"
#include "fixture.hpp"
#include "platform/unique_handle.hpp"

namespace {

const std::wstring kScratchKey = std::wstring(e2e::kProductKey) + L"\\E2eSelfTest";

class Registry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(e2e::DeleteRegTree(kScratchKey)); }
    void TearDown() override { e2e::DeleteRegTree(kScratchKey); }
};

TEST_F(Registry, StringsAndNumbersRoundTrip) {
    ASSERT_TRUE(e2e::SetRegString(kScratchKey, L"InstallPath", L"\"C:\\Program Files\\泰索\""));
    EXPECT_EQ(e2e::ReadRegString(kScratchKey, L"InstallPath"), L"\"C:\\Program Files\\泰索\"");
    ASSERT_TRUE(e2e::SetRegString(kScratchKey, L"empty", L""));
    EXPECT_EQ(e2e::ReadRegString(kScratchKey, L"empty"), L"");

    ASSERT_TRUE(e2e::SetRegDword(kScratchKey, L"setup", 1));
    EXPECT_EQ(e2e::ReadRegDword(kScratchKey, L"setup"), 1u);
    EXPECT_FALSE(e2e::ReadRegString(kScratchKey, L"setup")) << "a number is not a string";
    EXPECT_FALSE(e2e::ReadRegDword(kScratchKey, L"InstallPath"));

    ASSERT_TRUE(e2e::DeleteRegValue(kScratchKey, L"setup"));
    EXPECT_FALSE(e2e::ReadRegDword(kScratchKey, L"setup"));
    EXPECT_TRUE(e2e::DeleteRegValue(kScratchKey, L"setup")) << "deleting nothing succeeds";
    EXPECT_TRUE(e2e::DeleteRegValue(kScratchKey + L"\\Absent", L"x"));
}

TEST_F(Registry, DeleteTreeRemovesSubkeys) {
    ASSERT_TRUE(e2e::SetRegString(kScratchKey + L"\\ZRV\\7B", L"TVC-2.1", L"TVC-2.1"));
    EXPECT_EQ(e2e::ReadRegString(kScratchKey + L"\\ZRV\\7B", L"TVC-2.1"), L"TVC-2.1");
    ASSERT_TRUE(e2e::DeleteRegTree(kScratchKey));
    EXPECT_FALSE(e2e::ReadRegString(kScratchKey + L"\\ZRV\\7B", L"TVC-2.1"));
    EXPECT_TRUE(e2e::DeleteRegTree(kScratchKey)) << "deleting nothing succeeds";
}

TEST_F(Registry, ValuesLandInThe32BitView) {
    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    if (!wow64) GTEST_SKIP() << "no separate 32-bit view in this prefix";
    ASSERT_TRUE(e2e::SetRegString(kScratchKey, L"view", L"32"));
    const std::wstring redirected = L"SOFTWARE\\Wow6432Node\\corvanthyle\\Tessovarine\\E2eSelfTest";
    setup::UniqueKey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, redirected.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                              key.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegQueryValueExW(key.get(), L"view", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
}

TEST(Trees, CopyCompareAndRemove) {
    e2e::TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    EXPECT_NE(folder.Path().find(L' '), std::wstring::npos);
    const std::wstring a = folder / L"a";
    const std::wstring b = folder / L"b";
    ASSERT_TRUE(e2e::WriteFileBytes(a + L"\\one.txt", "one"));
    ASSERT_TRUE(e2e::WriteFileBytes(a + L"\\nested\\deeper\\two.bin", std::string("\0\x01\xff", 3)));
    ASSERT_TRUE(e2e::WriteFileBytes(a + L"\\empty.txt", ""));
    ASSERT_TRUE(e2e::MakeFolders(a + L"\\empty folder"));

    ASSERT_TRUE(e2e::CopyTree(a, b));
    EXPECT_TRUE(e2e::CompareTrees(a, b).empty());

    ASSERT_TRUE(e2e::WriteFileBytes(b + L"\\nested\\deeper\\two.bin", std::string("\0\x01\xfe", 3)));
    ASSERT_TRUE(e2e::MakeFolders(b + L"\\extra"));
    ASSERT_TRUE(::RemoveDirectoryW((b + L"\\empty folder").c_str()));
    const auto differences = e2e::CompareTrees(a, b);
    const std::vector<std::wstring> expected{L"only in first: empty folder", L"differs: nested\\deeper\\two.bin",
                                             L"only in second: extra"};
    EXPECT_EQ(differences, expected);

    ASSERT_TRUE(::SetFileAttributesW((b + L"\\one.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(e2e::RemoveTree(b));
    EXPECT_EQ(::GetFileAttributesW(b.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Trees, TempFolderGoesWithItsContents) {
    std::wstring path;
    {
        e2e::TempFolder folder;
        ASSERT_TRUE(folder.Ok());
        path = folder.Path();
        ASSERT_TRUE(e2e::WriteFileBytes(folder / L"x\\y.txt", "y"));
    }
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Medium, HoldsSetupIniBytesAsGiven) {
    e2e::Medium medium;
    ASSERT_TRUE(medium.Ok());
    // GBK bytes of a product name, then an empty line: nothing may be re-encoded.
    const std::string ini = "\xcc\xa9\xcb\xf7\r\n\r\n2.1.0\r\n";
    ASSERT_TRUE(medium.WriteSetupIni(ini));
    EXPECT_EQ(e2e::ReadFileBytes(medium / L"setup.ini"), ini);
}

TEST(CommandLine, ArgumentsAfterTheProgramName) {
    EXPECT_FALSE(e2e::CommandLineHasArguments(L"\"C:\\a b\\setup.exe\""));
    EXPECT_FALSE(e2e::CommandLineHasArguments(L"\"C:\\a b\\setup.exe\"  "));
    EXPECT_TRUE(e2e::CommandLineHasArguments(L"\"C:\\a b\\setup.exe\" /s"));
    EXPECT_FALSE(e2e::CommandLineHasArguments(L"C:\\x\\setup.exe"));
    EXPECT_TRUE(e2e::CommandLineHasArguments(L"C:\\x\\setup.exe\t/s"));
}

TEST(Standin, ReportsHowItWasStarted) {
    e2e::Medium medium;
    ASSERT_TRUE(medium.Ok());
    ASSERT_TRUE(medium.PlaceFullInstaller(e2e::WindowsPath(E2E_STANDIN)));
    {
        e2e::Process installer;
        ASSERT_TRUE(installer.Start(medium.FullInstaller(), medium.Path(), SW_SHOWMINIMIZED));
        EXPECT_EQ(installer.WaitExit(e2e::kDefaultTimeoutMs), 0u);
    }
    ASSERT_TRUE(e2e::WaitForFile(medium.FullInstallerReport(), e2e::kDefaultTimeoutMs));
    const auto report = e2e::ReadStandinReport(medium.FullInstallerReport());
    ASSERT_TRUE(report);
    EXPECT_EQ(report->commandLine, L"\"" + medium.FullInstaller() + L"\"");
    EXPECT_FALSE(e2e::CommandLineHasArguments(report->commandLine));
    EXPECT_EQ(report->showWindow, SW_SHOWMINIMIZED);
    EXPECT_TRUE(report->useShowWindow);
    EXPECT_EQ(report->currentDirectory, medium.Path());
}

}  // namespace
