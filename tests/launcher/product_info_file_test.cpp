#include "launcher/product_info_file.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/program_folder.hpp"
#include "platform/unique_handle.hpp"

namespace {

class ProductInfoFile : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        folder_ = std::wstring(tmp) + L"product info " + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        path_ = folder_ + L"\\setup.ini";
    }
    void TearDown() override {
        ::DeleteFileW(path_.c_str());
        ::RemoveDirectoryW(path_.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }
    void Write(const std::string& bytes) {
        setup::UniqueFile f(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f);
        DWORD put = 0;
        ASSERT_TRUE(::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
    }

    std::wstring folder_, path_;
};

TEST_F(ProductInfoFile, DecodesCodePage936WhateverTheSystemCodePage) {
    // 泰索瓦林课堂 and 安装 in code page 936.
    Write("\xCC\xA9\xCB\xF7\xCD\xDF\xC1\xD6\xBF\xCE\xCC\xC3\r\n\r\n2.1\r\n\xB0\xB2\xD7\xB0\r\n");
    setup::ProductLines lines{};
    ASSERT_TRUE(setup::ReadProductInfoFrom(path_, lines));
    EXPECT_EQ(lines[0], L"泰索瓦林课堂");
    EXPECT_EQ(lines[2], L"2.1");
    EXPECT_EQ(lines[3], L"安装");
}

TEST_F(ProductInfoFile, ALaterReadKeepsWhatTheShorterFileLacks) {
    setup::ProductLines lines{};
    Write("a\r\nb\r\nc\r\nd\r\ne\r\n");
    ASSERT_TRUE(setup::ReadProductInfoFrom(path_, lines));
    Write("x\r\ny\r\n");
    ASSERT_TRUE(setup::ReadProductInfoFrom(path_, lines));
    EXPECT_EQ(lines, (setup::ProductLines{L"x", L"y", L"c", L"d", L"e"}));
}

TEST_F(ProductInfoFile, ReadsAFileOfManyThousandLines) {
    std::string big;
    for (int i = 0; i < 40000; ++i) big += std::to_string(i) + "\r\n";
    Write(big);
    setup::ProductLines lines{};
    ASSERT_TRUE(setup::ReadProductInfoFrom(path_, lines));
    EXPECT_EQ(lines, (setup::ProductLines{L"0", L"1", L"2", L"3", L"4"}));
}

TEST_F(ProductInfoFile, UnreadableFilesFailAndLeaveTheLinesAlone) {
    setup::ProductLines lines{L"kept", L"", L"", L"", L""};
    EXPECT_FALSE(setup::ReadProductInfoFrom(path_, lines));  // missing
    ASSERT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr));
    EXPECT_FALSE(setup::ReadProductInfoFrom(path_, lines));  // a folder of that name
    ::RemoveDirectoryW(path_.c_str());
    Write("locked\r\n");
    {
        setup::UniqueFile holder(::CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_FALSE(setup::ReadProductInfoFrom(path_, lines));  // held open without sharing
    }
    EXPECT_EQ(lines[0], L"kept");
}

}  // namespace

// Started as M:\media\setup.exe from a drive the user mapped, then elevated: the drive is gone
// for the program, and the user's mapping leads it to the share. Wine maps \\srv\dist to the
// prefix's dosdevices\unc\srv\dist.
UINT WINAPI NoSuchDrive(LPCWSTR) { return DRIVE_NO_ROOT_DIR; }
UINT WINAPI NetworkDrive(LPCWSTR) { return DRIVE_REMOTE; }

TEST(ProgramFolder, AGoneDriveIsReachedThroughTheUsersMapping) {
    wchar_t prefix[MAX_PATH];
    ASSERT_NE(::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH), 0u);
    std::wstring unc = L"Z:" + std::wstring(prefix) + L"/dosdevices/unc";
    for (auto& c : unc) c = c == L'/' ? L'\\' : c;
    for (const wchar_t* part : {L"", L"\\srv", L"\\srv\\dist", L"\\srv\\dist\\media"})
        ::CreateDirectoryW((unc + part).c_str(), nullptr);
    const auto map = [](const std::wstring& remote) {
        return ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Network\\M", L"RemotePath", REG_SZ, remote.c_str(),
                                 static_cast<DWORD>((remote.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    };
    ASSERT_TRUE(map(L"\\\\srv\\dist"));
    EXPECT_EQ(setup::FindProgramFolder(L"M:\\media", NoSuchDrive).folder, L"\\\\srv\\dist\\media");
    EXPECT_EQ(setup::FindProgramFolder(L"M:\\media", NetworkDrive).folder, L"M:\\media") << "a drive that answers";
    EXPECT_TRUE(setup::FindProgramFolder(L"M:\\media", NetworkDrive).reachable);
    ASSERT_TRUE(map(L"\\\\srv\\elsewhere"));
    EXPECT_FALSE(setup::FindProgramFolder(L"M:\\media", NoSuchDrive).reachable);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Network\\M");
}
