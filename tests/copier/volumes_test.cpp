// The copier on volumes the test's wrapper maps to drive letters: a small one, to fill, and
// a folder the prefix takes for a CD-ROM drive. Each case says when it skips and why.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "copier/recording_progress.hpp"
#include "copier/scratch_folder.hpp"
#include "platform/unique_handle.hpp"
#include "copier/tree_copier.hpp"
#include "copier/win32_file_system.hpp"

namespace setup::test {
namespace {

std::wstring Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::wstring(value, value + std::strlen(value)) : std::wstring();
}

// Why the wrapper could not give the volume, as it says, or that nothing gave one.
std::string Why(const char* name) {
    const char* why = std::getenv(name);
    return why ? why : "the test runs without the wrapper that maps the drives";
}

bool WriteFile(const std::wstring& path, std::size_t bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const std::string block(4096, 'x');
    for (std::size_t done = 0; done < bytes;) {
        const DWORD chunk = static_cast<DWORD>(std::min(block.size(), bytes - done));
        DWORD written = 0;
        if (!::WriteFile(file.get(), block.data(), chunk, &written, nullptr) || written != chunk) return false;
        done += chunk;
    }
    file.reset();
    return ::SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// SETUP_TEST_SMALL_VOLUME: a drive letter ("S:") of a volume of about a mebibyte.
class SmallVolume : public testing::Test {
protected:
    void SetUp() override {
        drive_ = Environment("SETUP_TEST_SMALL_VOLUME");
        if (drive_.empty()) GTEST_SKIP() << "no small volume: " << Why("SETUP_TEST_SMALL_VOLUME_WHY");
        RemoveTree(drive_ + L"\\tess");
    }
    void TearDown() override {
        if (!drive_.empty()) RemoveTree(drive_ + L"\\tess");
    }
    std::wstring drive_;
    ScratchFolder sourceFolder_{L"small_src"};
    const std::wstring& source_ = sourceFolder_.Path();
};

TEST_F(SmallVolume, TellsItsFreeSpaceAndClusterSize) {
    Win32FileSystem fs;
    const auto space = fs.Space(drive_ + L"\\");
    ASSERT_TRUE(space);
    const auto literal = fs.Space(LiteralFolderPath(drive_ + L"\\"));
    ASSERT_TRUE(literal);
    EXPECT_EQ(literal->clusterBytes, space->clusterBytes);
    EXPECT_GT(space->freeBytes, 0u);
    EXPECT_LT(space->freeBytes, 4u << 20);
    EXPECT_GE(space->clusterBytes, 512u);
    std::printf("small volume: %llu bytes free, clusters of %llu bytes\n",
                static_cast<unsigned long long>(space->freeBytes),
                static_cast<unsigned long long>(space->clusterBytes));
}

TEST_F(SmallVolume, ATreeLargerThanTheVolumeFailsBeforeAnythingIsMade) {
    Win32FileSystem fs;
    const auto space = fs.Space(drive_ + L"\\");
    ASSERT_TRUE(space);
    // Four files, each a third of the free space: they don't fit, though each one would.
    const std::size_t third = static_cast<std::size_t>(space->freeBytes / 3);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(WriteFile(source_ + L"\\part" + std::to_wstring(i) + L".bin", third));
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, source_, drive_ + L"\\tess\\"), CopyOutcome::Failed);
    EXPECT_FALSE(Exists(drive_ + L"\\tess"));
    EXPECT_TRUE(progress.ranges.empty()) << "not one file was tried";

    ::DeleteFileW((source_ + L"\\part3.bin").c_str());
    ::DeleteFileW((source_ + L"\\part2.bin").c_str());
    EXPECT_EQ(CopyFolder(fs, progress, source_, drive_ + L"\\tess\\"), CopyOutcome::Copied);
    EXPECT_TRUE(Exists(drive_ + L"\\tess\\part1.bin"));
}

// SETUP_TEST_DISC: a drive letter the prefix takes for a CD-ROM drive, a comma, and the folder
// behind it as this process can write it ("R:,Z:\...\disc").
class DiscVolume : public testing::Test {
protected:
    void SetUp() override {
        const std::wstring setting = Environment("SETUP_TEST_DISC");
        const auto comma = setting.find(L',');
        if (comma == std::wstring::npos) GTEST_SKIP() << "no disc drive: " << Why("SETUP_TEST_DISC_WHY");
        drive_ = setting.substr(0, comma);
        backing_ = setting.substr(comma + 1);
    }
    std::wstring drive_;
    std::wstring backing_;
    ScratchFolder targetFolder_{L"disc_dst"};
    const std::wstring& target_ = targetFolder_.Path();
};

TEST_F(DiscVolume, FilesCopiedFromItAreWritableAndKeepTheirOtherAttributes) {
    ASSERT_EQ(::GetDriveTypeW((drive_ + L"\\").c_str()), static_cast<UINT>(DRIVE_CDROM));
    ASSERT_TRUE(::CreateDirectoryW((backing_ + L"\\zrv").c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(WriteFile(backing_ + L"\\zrv\\plain.txt", 10, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteFile(backing_ + L"\\zrv\\hidden.txt", 10, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    Win32FileSystem fs;
    EXPECT_TRUE(fs.IncursSeekPenalty(LiteralFolderPath(drive_ + L"\\zrv\\")));
    EXPECT_TRUE(fs.OnDisc(drive_ + L"\\zrv\\"));
    EXPECT_TRUE(fs.OnDisc(LiteralFolderPath(drive_ + L"\\zrv\\")));
    EXPECT_FALSE(fs.OnDisc(target_));
    EXPECT_FALSE(fs.OnDisc(LiteralFolderPath(target_)));
    RecordingProgress progress;
    ASSERT_EQ(CopyFolder(fs, progress, drive_ + L"\\zrv\\", target_ + L"\\coon\\"), CopyOutcome::Copied);
    const DWORD plain = ::GetFileAttributesW((target_ + L"\\coon\\plain.txt").c_str());
    const DWORD hidden = ::GetFileAttributesW((target_ + L"\\coon\\hidden.txt").c_str());
    ASSERT_NE(plain, INVALID_FILE_ATTRIBUTES);
    ASSERT_NE(hidden, INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(plain & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(hidden & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(hidden & FILE_ATTRIBUTE_HIDDEN) << "the other attributes stay";
}

// The same files from a folder on an ordinary drive keep the mark.
TEST_F(DiscVolume, FilesFromAnOrdinaryDriveKeepTheirReadOnlyMark) {
    const ScratchFolder sourceFolder(L"plain_src");
    const std::wstring& source = sourceFolder.Path();
    ASSERT_TRUE(WriteFile(source + L"\\plain.txt", 10, FILE_ATTRIBUTE_READONLY));
    Win32FileSystem fs;
    RecordingProgress progress;
    ASSERT_EQ(CopyFolder(fs, progress, source, target_ + L"\\kept\\"), CopyOutcome::Copied);
    EXPECT_TRUE(::GetFileAttributesW((target_ + L"\\kept\\plain.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
}

}  // namespace
}  // namespace setup::test
