#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_support.hpp"
#include "planted_support.hpp"
#include "ui/control_ids.hpp"

namespace {

namespace ids = setup::ids;

// The program named by a command line: the quoted part, or up to the first blank.
std::wstring ProgramOf(const std::wstring& commandLine) {
    if (!commandLine.empty() && commandLine[0] == L'"') return commandLine.substr(1, commandLine.find(L'"', 1) - 1);
    return commandLine.substr(0, commandLine.find_first_of(L" \t"));
}

// A medium at "<temp>\my media <n>\disk one\", with a decoy program wherever a blank cuts the
// full installer's path short ("<temp>\my.exe", "<temp>\my media.exe", "...\disk.exe").
class UnquotedPath : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(outer_.Ok());
        ASSERT_TRUE(marks_.Ok());
        ASSERT_TRUE(e2e::MakeFolders(FullInstaller().substr(0, FullInstaller().find_last_of(L'\\'))));
        ASSERT_TRUE(::CopyFileW(app::SetupExe().c_str(), SetupExe().c_str(), FALSE));
        ASSERT_TRUE(::CopyFileW(app::StandinExe().c_str(), FullInstaller().c_str(), FALSE));
        ASSERT_TRUE(e2e::WriteFileBytes(medium_ + L"\\setup.ini", app::IniLines({L"名称"})));
        decoys_ = hardening::WordPrefixPrograms(FullInstaller());
        ASSERT_EQ(decoys_.size(), 3u) << testing::PrintToString(decoys_);
        for (const auto& decoy : decoys_)
            ASSERT_TRUE(::CopyFileW(hardening::DecoyExe().c_str(), decoy.c_str(), FALSE));
        e2e::DeleteRegTree(e2e::kProductKey);
    }
    void TearDown() override {
        process_.Kill();
        for (const auto& decoy : decoys_) ::DeleteFileW(decoy.c_str());
        e2e::DeleteRegTree(e2e::kProductKey);
    }

    std::wstring SetupExe() const { return medium_ + L"\\setup.exe"; }
    std::wstring FullInstaller() const { return medium_ + L"\\zrv\\init\\setup.exe"; }
    std::wstring Report() const { return medium_ + L"\\zrv\\init\\started.txt"; }

    e2e::TempFolder outer_{L"my media"};
    const std::wstring medium_ = outer_ / L"disk one";
    hardening::Marks marks_;
    std::vector<std::wstring> decoys_;
    e2e::Process process_;
};

// The control: started through an unquoted command line, the platform runs the first decoy.
TEST_F(UnquotedPath, AnUnquotedCommandLineRunsTheFirstDecoy) {
    std::wstring commandLine = FullInstaller();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info));
    ::CloseHandle(info.hThread);
    EXPECT_EQ(::WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
    ::CloseHandle(info.hProcess);
    EXPECT_TRUE(marks_.Has(L"my.exe")) << testing::PrintToString(marks_.List());
    EXPECT_FALSE(e2e::ReadFileBytes(Report()));
}

// setup.exe from that medium starts the real full installer by its whole path; no decoy runs.
TEST_F(UnquotedPath, TheFullInstallerRunsAndNoDecoy) {
    ASSERT_TRUE(process_.Start(SetupExe()));
    auto w = process_.WaitForWindow(ids::kDefaultClass);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->Click(ids::kDefaultBtnNext));
    const bool started = e2e::WaitForFile(Report(), 5000);
    EXPECT_TRUE(process_.WaitExit(10000));
    EXPECT_TRUE(marks_.None());
    ASSERT_TRUE(started);
    const auto report = e2e::ReadStandinReport(Report());
    ASSERT_TRUE(report);
    EXPECT_EQ(::CompareStringOrdinal(ProgramOf(report->commandLine).c_str(), -1, FullInstaller().c_str(), -1, TRUE),
              CSTR_EQUAL)
        << testing::PrintToString(report->commandLine);
}

}  // namespace
