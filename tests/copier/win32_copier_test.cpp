// The copier on real folders under Wine, through the Win32 file system.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <cwctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "copier/recording_progress.hpp"
#include "copier/scratch_folder.hpp"
#include "platform/unique_handle.hpp"
#include "copier/tree_copier.hpp"
#include "copier/win32_file_system.hpp"

namespace setup::test {
namespace {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class RealTree : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::wstring(temp) + L"copier_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                std::wstring(test->name(), test->name() + std::strlen(test->name()));
        RemoveTree(root_);
        ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr));
        root_ += L"\\";
    }
    void TearDown() override { RemoveTree(root_.substr(0, root_.size() - 1)); }

    std::wstring Path(const std::wstring& relative) const { return root_ + relative; }
    void MakeFolder(const std::wstring& relative, DWORD attributes = 0) {
        ASSERT_TRUE(::CreateDirectoryW(Path(relative).c_str(), nullptr)) << Narrow(relative);
        if (attributes) {
            ASSERT_TRUE(::SetFileAttributesW(Path(relative).c_str(), attributes));
        }
    }
    void MakeFile(const std::wstring& relative, const std::string& content, DWORD attributes = 0) {
        const std::wstring path = Path(relative);
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file) << Narrow(relative);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                                nullptr));
        file.reset();
        if (attributes) {
            ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes));
        }
    }
    std::string Content(const std::wstring& relative) const {
        UniqueFile file(::CreateFileW(Path(relative).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        if (!file) return "<missing>";
        char buffer[256];
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return "<unreadable>";
        return std::string(buffer, read);
    }
    bool IsFolder(const std::wstring& relative) const {
        const DWORD attributes = ::GetFileAttributesW(Path(relative).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool Exists(const std::wstring& relative) const {
        return ::GetFileAttributesW(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Held open without sharing: nobody else can read, write or replace it meanwhile.
    UniqueFile Lock(const std::wstring& relative) const {
        return UniqueFile(::CreateFileW(Path(relative).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    }
    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

    // src holds f (read-only), A\a, A\A1\x, B\b (hidden), H (hidden, system) with s (system)
    // and the empty E.
    void MakeSourceTree() {
        MakeFolder(L"src");
        MakeFile(L"src\\f", "f", FILE_ATTRIBUTE_READONLY);
        MakeFolder(L"src\\A");
        MakeFile(L"src\\A\\a", "a");
        MakeFolder(L"src\\A\\A1");
        MakeFile(L"src\\A\\A1\\x", "x");
        MakeFolder(L"src\\B");
        MakeFile(L"src\\B\\b", "b", FILE_ATTRIBUTE_HIDDEN);
        MakeFolder(L"src\\H", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        MakeFile(L"src\\H\\s", "s", FILE_ATTRIBUTE_SYSTEM);
        MakeFolder(L"src\\E");
    }
    void ExpectSourceTreeAt(const std::wstring& destination) {
        for (const wchar_t* folder : {L"", L"A", L"A\\A1", L"B", L"H", L"E"})
            EXPECT_TRUE(IsFolder(destination + folder)) << Narrow(destination + folder);
        EXPECT_EQ(Content(destination + L"f"), "f");
        EXPECT_EQ(Content(destination + L"A\\a"), "a");
        EXPECT_EQ(Content(destination + L"A\\A1\\x"), "x");
        EXPECT_EQ(Content(destination + L"B\\b"), "b");
        EXPECT_EQ(Content(destination + L"H\\s"), "s");
    }
    // The source's files in the copier's order.
    std::vector<std::wstring> FileOrder() {
        Win32FileSystem fs;
        FolderTree tree;
        EXPECT_TRUE(FindFiles(fs, Path(L"src\\"), tree));
        std::vector<std::wstring> files;
        for (std::size_t i = 0; i < tree.FileCount(); ++i) files.push_back(tree.FilePath(i));
        return files;
    }

    std::wstring root_;
};

TEST_F(RealTree, CopiesEverythingWithOrWithoutFinalSeparators) {
    MakeSourceTree();
    int n = 0;
    for (const std::wstring& source : {Path(L"src"), Path(L"src\\")}) {
        for (const std::wstring destinationSuffix : {L"", L"\\"}) {
            const std::wstring destination = L"dst" + std::to_wstring(++n);
            Win32FileSystem fs;
            RecordingProgress progress;
            EXPECT_EQ(CopyFolder(fs, progress, source, Path(destination) + destinationSuffix),
                      CopyOutcome::Copied);
            ExpectSourceTreeAt(destination + L"\\");
            EXPECT_EQ(progress.ranges, std::vector<int>{5});
            EXPECT_EQ(progress.finished, 5);
            EXPECT_GE(progress.yields, 5);
        }
    }
}

TEST_F(RealTree, UsesRootsWithDoubledSeparators) {
    MakeSourceTree();
    MakeFolder(L"dst");
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, root_ + L"\\src\\", root_ + L"\\dst\\\\coon\\"), CopyOutcome::Copied);
    ExpectSourceTreeAt(L"dst\\coon\\");
}

TEST_F(RealTree, ReplacesFilesWhateverTheirAttributesAndKeepsWhatElseIsThere) {
    MakeSourceTree();
    MakeFolder(L"dst");
    MakeFolder(L"dst\\A");
    MakeFolder(L"dst\\H");
    MakeFile(L"dst\\f", "old", FILE_ATTRIBUTE_READONLY);
    MakeFile(L"dst\\A\\a", "old", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(L"dst\\H\\s", "old", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    MakeFile(L"dst\\A\\own", "own");
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\")), CopyOutcome::Copied);
    ExpectSourceTreeAt(L"dst\\");
    EXPECT_EQ(Content(L"dst\\A\\own"), "own");
}

TEST_F(RealTree, StopsAtASourceFileHeldOpen) {
    MakeSourceTree();
    const std::vector<std::wstring> order = FileOrder();
    ASSERT_EQ(order.size(), 5u);
    const UniqueFile held = Lock(L"src\\" + order[2]);
    ASSERT_TRUE(held);
    Win32FileSystem fs;
    RecordingProgress progress;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\"), 1), CopyOutcome::Failed);
    // It waited for the file the bounded time before giving up.
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1400));
    EXPECT_LT(waited, std::chrono::seconds(10));
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(Exists(L"dst\\" + order[i]), i < 2) << Narrow(order[i]);
    for (const wchar_t* folder : {L"", L"A", L"A\\A1", L"B", L"H", L"E"}) EXPECT_TRUE(IsFolder(std::wstring(L"dst\\") + folder));
    EXPECT_EQ(progress.finished, 2);
}

TEST_F(RealTree, StopsAtADestinationFileHeldOpen) {
    MakeSourceTree();
    const std::vector<std::wstring> order = FileOrder();
    MakeFolder(L"dst");
    MakeFolder(L"dst\\A");
    MakeFolder(L"dst\\A\\A1");
    MakeFolder(L"dst\\B");
    MakeFolder(L"dst\\H");
    MakeFile(L"dst\\" + order[0], "old");
    const UniqueFile held = Lock(L"dst\\" + order[0]);
    ASSERT_TRUE(held);
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\"), 1), CopyOutcome::Failed);
    EXPECT_EQ(progress.finished, 0);
    EXPECT_FALSE(Exists(L"dst\\" + order[1]));
}

// A scanner or the indexer holds a file for a moment: the copy tries it again a little
// later, source and destination alike.
TEST_F(RealTree, FilesHeldForAMomentAreCopiedOnceReleased) {
    MakeSourceTree();
    const std::vector<std::wstring> order = FileOrder();
    ASSERT_EQ(order.size(), 5u);
    MakeFolder(L"dst");
    MakeFile(L"dst\\" + order[0], "old");
    UniqueFile heldTarget = Lock(L"dst\\" + order[0]);
    UniqueFile heldSource = Lock(L"src\\" + order[2]);
    ASSERT_TRUE(heldTarget && heldSource);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        heldTarget.reset();
        heldSource.reset();
    });
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\")), CopyOutcome::Copied);
    release.join();
    ExpectSourceTreeAt(L"dst\\");
}

// A scanner that has just locked part of the source for a moment: the first read fails.
std::atomic<int> readTries = 0;
BOOL WINAPI LockedFirstRead(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    if (++readTries == 1) {
        ::SetLastError(ERROR_LOCK_VIOLATION);
        return FALSE;
    }
    return ::ReadFile(file, buffer, size, read, overlapped);
}

// The second try makes its file under the same name: the first try's must be gone.
TEST_F(RealTree, ARetryFindsTheNameItsFirstTryUsedFree) {
    MakeSourceTree();
    MakeFolder(L"old");
    for (const wchar_t* destination : {L"new\\", L"old\\"}) {
        SCOPED_TRACE(Narrow(destination));
        readTries = 0;
        Win32FileSystem fs(LockedFirstRead);
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(destination)), CopyOutcome::Copied);
        ExpectSourceTreeAt(destination);
    }
}

// Wine, like Windows, gives a long name a short alias that opens the same file.
TEST_F(RealTree, AShortNameNeverReplacesTheFileItAliases) {
    MakeFolder(L"dst");
    MakeFile(L"dst\\Report for 2020.doc", "report");
    wchar_t shortPath[MAX_PATH];
    ASSERT_NE(::GetShortPathNameW(Path(L"dst\\Report for 2020.doc").c_str(), shortPath, MAX_PATH), 0u);
    const std::wstring alias = std::wstring(shortPath).substr(std::wstring(shortPath).find_last_of(L'\\') + 1);
    ASSERT_NE(alias, L"Report for 2020.doc");
    MakeFolder(L"src");
    MakeFile(L"src\\" + alias, "medium");
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\")), CopyOutcome::Failed);
    EXPECT_EQ(Content(L"dst\\Report for 2020.doc"), "report");
    // Nor does a rename that was told the name is free, nor a file made under it: the file
    // system itself refuses them.
    struct : CopyPacing {
        bool KeepGoing() override { return true; }
        bool Pause(std::chrono::milliseconds) override { return true; }
    } pacing;
    const auto folder = fs.Hold(Path(L"dst\\"), false);
    ASSERT_TRUE(folder);
    Written written = fs.CopyInto(Path(L"src\\" + alias), *folder, L"$0000000.TMP", false, pacing);
    ASSERT_EQ(written.outcome, CopyOutcome::Copied);
    EXPECT_EQ(written.file->RenameTo(alias, false, pacing), CopyOutcome::Failed);
    EXPECT_EQ(fs.CopyInto(Path(L"src\\" + alias), *folder, alias, false, pacing).outcome, CopyOutcome::Failed);
    written.file.reset();
    EXPECT_EQ(Content(L"dst\\Report for 2020.doc"), "report");
    EXPECT_FALSE(Exists(L"dst\\$0000000.TMP")) << "the file not put in place went";
}

TEST_F(RealTree, AStopWhileWaitingForAHeldFileStops) {
    MakeSourceTree();
    const std::vector<std::wstring> order = FileOrder();
    const UniqueFile held = Lock(L"src\\" + order[2]);
    ASSERT_TRUE(held);
    Win32FileSystem fs;
    RecordingProgress progress;
    // Once two files are copied, the one worker has taken the third, which it waits for.
    progress.onYield = [&](int) { progress.stop = progress.stop || progress.values == std::vector<int>{1, 2}; };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\"), 1), CopyOutcome::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400)) << "the wait ended at once";
    EXPECT_EQ(progress.finished, 2);
}

// A disk that serves slowly the file named slowFile: a tenth of a second a read.
std::wstring slowFile;
BOOL WINAPI SlowRead(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = ::GetFinalPathNameByHandleW(file, path, MAX_PATH * 2, 0);
    const std::wstring_view source(path, n < MAX_PATH * 2 ? n : 0);
    if (source.size() >= slowFile.size() && source.substr(source.size() - slowFile.size()) == slowFile) ::Sleep(100);
    return ::ReadFile(file, buffer, size, read, overlapped);
}

TEST_F(RealTree, AStopInsideAFileItReplacesLeavesTheOldOneWholeAndSoonReturns) {
    MakeSourceTree();
    const std::vector<std::wstring> order = FileOrder();
    for (const wchar_t* folder : {L"dst", L"dst\\A", L"dst\\A\\A1", L"dst\\B", L"dst\\H"}) MakeFolder(folder);
    for (const std::wstring& file : order) MakeFile(L"dst\\" + file, "old", FILE_ATTRIBUTE_READONLY);
    // Forty chunks of the copy's own: four seconds to read whole.
    slowFile = order[1];
    MakeFile(L"src\\" + order[1], std::string(40 << 20, 'x'));
    Win32FileSystem fs(SlowRead);
    RecordingProgress progress;
    progress.onYield = [&](int) { progress.stop = progress.stop || !progress.values.empty(); };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\"), 1), CopyOutcome::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(Content(L"dst\\" + order[0]), Narrow(order[0].substr(order[0].rfind(L'\\') + 1)));
    for (std::size_t i = 1; i < order.size(); ++i) EXPECT_EQ(Content(L"dst\\" + order[i]), "old") << Narrow(order[i]);
    EXPECT_EQ(progress.finished, 1);
}

// What a disk's device answers of seeking, which Wine's never do: 1 it seeks, 0 it doesn't,
// -1 it can't tell.
int deviceSeeks = -1;
BOOL WINAPI AnsweringDevice(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                            LPDWORD returned, LPOVERLAPPED) {
    const auto* query = static_cast<const STORAGE_PROPERTY_QUERY*>(in);
    if (deviceSeeks < 0 || !device || code != IOCTL_STORAGE_QUERY_PROPERTY || inSize < sizeof *query ||
        query->PropertyId != StorageDeviceSeekPenaltyProperty || query->QueryType != PropertyStandardQuery ||
        outSize < sizeof(DEVICE_SEEK_PENALTY_DESCRIPTOR)) {
        ::SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    auto* answer = static_cast<DEVICE_SEEK_PENALTY_DESCRIPTOR*>(out);
    answer->Version = answer->Size = sizeof *answer;
    answer->IncursSeekPenalty = deviceSeeks == 1;
    *returned = sizeof *answer;
    return TRUE;
}

// The volume's device is asked, without access rights; a disk that can't say doesn't seek.
TEST_F(RealTree, ADiskSeeksWhenItsDeviceSaysSo) {
    for (const int answer : {1, 0, -1}) {
        deviceSeeks = answer;
        Win32FileSystem fs(::ReadFile, AnsweringDevice);
        EXPECT_EQ(fs.IncursSeekPenalty(LiteralFolderPath(root_)), answer == 1) << answer;
    }
    EXPECT_FALSE(Win32FileSystem().IncursSeekPenalty(root_));
}

// As the disk compares names: every letter by the system's upper-case table, nothing more.
TEST(Win32Names, CompareAsTheFileSystemDoes) {
    Win32FileSystem fs;
    EXPECT_EQ(fs.CompareNames(L"Readme.txt", L"README.TXT"), 0);
    EXPECT_EQ(fs.CompareNames(L"\u00E9t\u00E9", L"\u00C9T\u00C9"), 0);
    EXPECT_EQ(fs.CompareNames(L"\u03C3", L"\u03A3"), 0);
    EXPECT_NE(fs.CompareNames(L"stra\u00DFe", L"STRASSE"), 0) << "no linguistic folding";
    EXPECT_NE(fs.CompareNames(L"e\u0301", L"\u00E9"), 0) << "no normalisation";
    EXPECT_LT(fs.CompareNames(L"a", L"B"), 0);
    EXPECT_GT(fs.CompareNames(L"b", L"A"), 0);
    EXPECT_LT(fs.CompareNames(L"a", L"ab"), 0);
}

TEST_F(RealTree, OnlyPassingLocksAreTriedAgain) {
    EXPECT_TRUE(IsPassingLock(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(IsPassingLock(ERROR_LOCK_VIOLATION));
    EXPECT_TRUE(IsPassingLock(ERROR_ACCESS_DENIED));
    for (const DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL,
                              ERROR_FILE_EXISTS, ERROR_REQUEST_ABORTED, ERROR_INVALID_NAME})
        EXPECT_FALSE(IsPassingLock(error)) << error;
}

TEST_F(RealTree, StopsWhereAFolderStandsInPlaceOfAFile) {
    MakeSourceTree();
    MakeFolder(L"dst");
    MakeFolder(L"dst\\A");
    MakeFolder(L"dst\\A\\a");
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\")), CopyOutcome::Failed);
    EXPECT_TRUE(IsFolder(L"dst\\A\\a"));
    EXPECT_LT(progress.finished.value_or(-1), 5);
}

// As if an earlier file of the tree had been spelt so, while this one is copied.
std::wstring claimedTarget;
std::wstring claimingPath;
BOOL WINAPI ClaimedFirst(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = ::GetFinalPathNameByHandleW(file, path, MAX_PATH * 2, 0);
    const std::wstring_view source(path, n < MAX_PATH * 2 ? n : 0);
    if (source.size() >= claimedTarget.size() && source.substr(source.size() - claimedTarget.size()) == claimedTarget) {
        const UniqueFile claim(::CreateFileW(claimingPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        if (claim) ::WriteFile(claim.get(), "claimed", 7, &written, nullptr);
    }
    return ::ReadFile(file, buffer, size, read, overlapped);
}

TEST_F(RealTree, FailsWhereAnotherSpellingTookTheNameInAFolderItCreated) {
    MakeSourceTree();
    Win32FileSystem fs;
    RecordingProgress progress;
    const std::vector<std::wstring> order = FileOrder();
    ASSERT_EQ(order.size(), 5u);
    // The second file's name in capitals, as if an earlier file of the tree had been spelt so:
    // the disk takes both for the same name.
    std::wstring other = order[1];
    other.back() = static_cast<wchar_t>(std::towupper(other.back()));
    ASSERT_NE(other, order[1]);
    // Taken while the file before it is copied.
    claimedTarget = order[0];
    claimingPath = Path(L"dst\\" + other);
    Win32FileSystem claiming(ClaimedFirst);
    EXPECT_EQ(CopyFolder(claiming, progress, Path(L"src\\"), Path(L"dst\\"), 1), CopyOutcome::Failed);
    EXPECT_EQ(Content(L"dst\\" + order[1]), "claimed");
    EXPECT_EQ(progress.finished, 1);
}

TEST_F(RealTree, FailsWhenAFolderCannotBeCreated) {
    MakeSourceTree();
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"missing\\dst\\")), CopyOutcome::Failed);
    EXPECT_FALSE(Exists(L"missing"));

    MakeFolder(L"dst");
    MakeFile(L"dst\\B", "in the way");
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\")), CopyOutcome::Failed);
    EXPECT_EQ(Content(L"dst\\B"), "in the way");
    EXPECT_EQ(progress.finished, 0);
}

TEST_F(RealTree, FailsOnAMissingSourceButCopiesAnEmptyOne) {
    Win32FileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\")), CopyOutcome::Failed);
    EXPECT_FALSE(Exists(L"dst"));

    MakeFolder(L"src");
    EXPECT_EQ(CopyFolder(fs, progress, Path(L"src\\"), Path(L"dst\\")), CopyOutcome::Copied);
    EXPECT_TRUE(IsFolder(L"dst"));
    EXPECT_EQ(progress.ranges.back(), 0);
}

TEST_F(RealTree, ListsEachFolderBeforeItsSubfoldersAndNeverTheDotEntries) {
    MakeSourceTree();
    MakeFolder(L"src\\A\\A1\\Z");
    MakeFile(L"src\\A\\A1\\Z\\z", "z");
    Win32FileSystem fs;
    FolderTree tree;
    ASSERT_TRUE(FindFiles(fs, Path(L"src"), tree));
    ASSERT_EQ(tree.FolderCount(), 6u);
    ASSERT_EQ(tree.FileCount(), 6u);
    std::vector<std::wstring> folders;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i) folders.push_back(tree.FolderPath(i));
    // The root's four folders come first, in whatever order the disk lists them.
    std::vector<std::wstring> top(folders.begin(), folders.begin() + 4);
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::wstring>{L"A", L"B", L"E", L"H"}));
    EXPECT_EQ(folders[4], L"A\\A1");
    EXPECT_EQ(folders[5], L"A\\A1\\Z");
    std::vector<std::wstring> files;
    for (std::size_t i = 0; i < tree.FileCount(); ++i) files.push_back(tree.FilePath(i));
    const auto position = [&](const wchar_t* file) { return std::find(files.begin(), files.end(), file) - files.begin(); };
    EXPECT_EQ(position(L"f"), 0) << "the root's own files come first";
    EXPECT_LT(position(L"A\\a"), position(L"A\\A1\\x"));
    EXPECT_LT(position(L"A\\A1\\x"), position(L"A\\A1\\Z\\z"));
    EXPECT_LT(position(L"A\\A1\\Z\\z"), 6);
    for (const auto& name : folders) EXPECT_NE(name.back(), L'.');
}

TEST_F(RealTree, ListingFailsOnAMissingFolderOrAFile) {
    MakeFile(L"file", "f");
    Win32FileSystem fs;
    FolderTree tree;
    EXPECT_FALSE(FindFiles(fs, Path(L"missing\\"), tree));
    EXPECT_FALSE(FindFiles(fs, Path(L"file\\"), tree));
}


TEST(LiteralFolderPath, ResolvesTheFolderAsWin32WouldAndMarksItLiteral) {
    EXPECT_EQ(LiteralFolderPath(L"C:\\a\\..\\b\\\\coon\\"), L"\\\\?\\C:\\b\\coon\\");
    EXPECT_EQ(LiteralFolderPath(L"C:\\\\zrv/class"), L"\\\\?\\C:\\zrv\\class");
    EXPECT_EQ(LiteralFolderPath(L"\\\\server\\share\\zrv\\"), L"\\\\?\\UNC\\server\\share\\zrv\\");
    EXPECT_EQ(LiteralFolderPath(L"\\\\?\\C:\\x.\\"), L"\\\\?\\C:\\x.\\");
    wchar_t current[MAX_PATH];
    const DWORD n = ::GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_GT(n, 0u);
    std::wstring expected = L"\\\\?\\" + std::wstring(current, n);
    if (expected.back() != L'\\') expected += L'\\';
    EXPECT_EQ(LiteralFolderPath(L"rel\\x\\"), expected + L"rel\\x\\");
}

// Names that plain Win32 paths would alter, each holding its own name as content, made and
// read through literal paths.
class LiteralTree : public RealTree {
protected:
    std::wstring Literal(const std::wstring& relative) const { return L"\\\\?\\" + Path(relative); }
    void MakeLiteralFolder(const std::wstring& relative) {
        ASSERT_TRUE(::CreateDirectoryW(Literal(relative).c_str(), nullptr)) << Narrow(relative);
    }
    void MakeLiteralFile(const std::wstring& relative) {
        UniqueFile file(::CreateFileW(Literal(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file) << Narrow(relative);
        const std::string content = Narrow(relative);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    }
    std::string LiteralContent(const std::wstring& relative) const {
        UniqueFile file(::CreateFileW(Literal(relative).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        if (!file) return "<missing>";
        char buffer[1024];
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return "<unreadable>";
        return std::string(buffer, read);
    }
    bool LiteralExists(const std::wstring& relative) const {
        return ::GetFileAttributesW(Literal(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    bool LiteralIsFolder(const std::wstring& relative) const {
        const DWORD attributes = ::GetFileAttributesW(Literal(relative).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    // Plain paths can't reach these names.
    void TearDown() override { RemoveTree(L"\\\\?\\" + root_.substr(0, root_.size() - 1)); }
    CopyOutcome CopyLiterally(const std::wstring& from, const std::wstring& to) {
        Win32FileSystem fs;
        RecordingProgress progress;
        return CopyFolder(fs, progress, LiteralFolderPath(Path(from)), LiteralFolderPath(Path(to)));
    }
};

TEST_F(LiteralTree, CopiesTrailingDotsAndBlanksAndOtherOddNamesExactly) {
    MakeLiteralFolder(L"src");
    const std::vector<std::wstring> files = {
        L"src\\a.", L"src\\b ", L"src\\c. .", L"src\\ lead", L"src\\..x", L"src\\a..b",
        L"src\\\u4E2D\u6587 \U0001F600", L"src\\d.\\in.", L"src\\d.\\  two"};
    MakeLiteralFolder(L"src\\d.");
    MakeLiteralFolder(L"src\\e . ");  // empty
    for (const auto& file : files) MakeLiteralFile(file);

    ASSERT_EQ(CopyLiterally(L"src", L"dst\\"), CopyOutcome::Copied);
    for (const auto& file : files) {
        const std::wstring copy = L"dst" + file.substr(3);
        EXPECT_EQ(LiteralContent(copy), Narrow(file)) << Narrow(copy);
    }
    EXPECT_TRUE(LiteralIsFolder(L"dst\\d."));
    EXPECT_TRUE(LiteralIsFolder(L"dst\\e . "));
    // Nothing went to the names that path normalisation would have made.
    for (const wchar_t* stripped : {L"dst\\a", L"dst\\b", L"dst\\c", L"dst\\d", L"dst\\e"})
        EXPECT_FALSE(LiteralExists(stripped)) << Narrow(stripped);
}

TEST_F(LiteralTree, CopiesPathsLongerThanMaxPath) {
    std::wstring deep = L"src";
    MakeLiteralFolder(deep);
    while (Path(deep).size() < 300) {
        deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + deep.size() % 26));
        MakeLiteralFolder(deep);
    }
    MakeLiteralFile(deep + L"\\file.txt");
    MakeLiteralFolder(deep + L"\\empty");
    ASSERT_EQ(CopyLiterally(L"src", L"dst"), CopyOutcome::Copied);
    const std::wstring copy = L"dst" + deep.substr(3);
    ASSERT_GT(Path(copy + L"\\file.txt").size(), 300u);
    EXPECT_EQ(LiteralContent(copy + L"\\file.txt"), Narrow(deep + L"\\file.txt"));
    EXPECT_TRUE(LiteralIsFolder(copy + L"\\empty"));
}

}  // namespace
}  // namespace setup::test
