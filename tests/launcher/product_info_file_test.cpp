#include "launcher/product_info_file.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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
