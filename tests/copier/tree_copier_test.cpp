#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "copier/memory_file_system.hpp"
#include "copier/recording_progress.hpp"
#include "copier/tree_copier.hpp"

namespace setup::test {
namespace {

const std::wstring kSource = L"C:\\src\\";
const std::wstring kDestination = L"C:\\dst\\";

// Files in list order: f, A\a, A\A1\x, B\b; folders A, B, A\A1 and the empty E.
void AddTree(MemoryFileSystem& fs, const std::wstring& root = kSource) {
    fs.AddFolder(root + L"A");
    fs.AddFolder(root + L"B");
    fs.AddFile(root + L"f", "f");
    fs.AddFolder(root + L"A\\A1");
    fs.AddFile(root + L"A\\a", "a");
    fs.AddFile(root + L"A\\A1\\x", "x");
    fs.AddFile(root + L"B\\b", "b");
    fs.AddFolder(root + L"E");
}
const std::vector<std::wstring> kFiles = {L"f", L"A\\a", L"A\\A1\\x", L"B\\b"};
const std::vector<std::wstring> kFolders = {L"", L"A", L"B", L"A\\A1", L"E"};

void ExpectCopied(const MemoryFileSystem& fs, const std::wstring& destination = kDestination) {
    for (const auto& folder : kFolders) EXPECT_TRUE(fs.IsFolder(destination + folder)) << folder;
    for (const auto& file : kFiles) {
        const std::wstring name = file.substr(file.rfind(L'\\') + 1);
        EXPECT_EQ(fs.Content(destination + file), std::string(name.begin(), name.end()));
    }
}

TEST(CopyFolder, CopiesEveryFolderAndFileWithOrWithoutFinalSeparators) {
    for (const std::wstring source : {L"C:\\src", L"C:\\src\\"}) {
        for (const std::wstring destination : {L"C:\\dst", L"C:\\dst\\"}) {
            MemoryFileSystem fs;
            AddTree(fs);
            RecordingProgress progress;
            EXPECT_EQ(CopyFolder(fs, progress, source, destination), CopyOutcome::Copied);
            ExpectCopied(fs);
            EXPECT_EQ(fs.FileCount(), 8u);
            EXPECT_EQ(progress.ranges, std::vector<int>{4});
            EXPECT_EQ(progress.values, (std::vector<int>{1, 2, 3, 4}));
            EXPECT_EQ(progress.finished, 4);
            EXPECT_EQ(progress.finishCalls, 1);
            EXPECT_GE(progress.yields, 4) << "at least one per file";
            EXPECT_EQ(progress.offThread, 0);
        }
    }
}

TEST(CopyFolder, CopiesFilesInListOrderOncePerFile) {
    MemoryFileSystem fs;
    AddTree(fs);
    RecordingProgress progress;
    ASSERT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Copied);
    std::vector<std::wstring> copied;
    for (const auto& [op, path] : fs.Calls())
        if (op == Op::Copy) copied.push_back(path.substr(kDestination.size()));
    EXPECT_EQ(copied, kFiles);
}

TEST(CopyFolder, UsesRootsWithDoubledSeparatorsUnchanged) {
    MemoryFileSystem fs;
    AddTree(fs, L"C:\\zrv\\class\\");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, L"C:\\\\zrv\\class\\", L"C:\\dst\\\\coon\\"), CopyOutcome::Failed)
        << "the destination's parent C:\\dst is missing";
    fs.AddFolder(L"C:\\dst");
    EXPECT_EQ(CopyFolder(fs, progress, L"C:\\\\zrv\\class\\", L"C:\\dst\\\\coon\\"), CopyOutcome::Copied);
    ExpectCopied(fs, L"C:\\dst\\coon\\");
    const auto& calls = fs.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), std::make_pair(Op::Copy, std::wstring(L"C:\\dst\\\\coon\\B\\b"))),
              calls.end());
}

TEST(CopyFolder, CopiesHiddenAndSystemEntriesLikeOthers) {
    MemoryFileSystem fs;
    fs.AddFolder(kSource + L"h", attr::kHidden | attr::kSystem);
    fs.AddFile(kSource + L"h\\s", "s", attr::kSystem);
    fs.AddFile(kSource + L"r", "r", attr::kReadOnly | attr::kHidden);
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    EXPECT_TRUE(fs.IsFolder(kDestination + L"h"));
    EXPECT_EQ(fs.Content(kDestination + L"h\\s"), "s");
    EXPECT_EQ(fs.Content(kDestination + L"r"), "r");
}

TEST(CopyFolder, KeepsExistingFoldersAndWhatTheyHold) {
    MemoryFileSystem fs;
    AddTree(fs);
    fs.AddFile(kDestination + L"A\\A1\\own", "own");
    fs.AddFolder(kDestination + L"E\\inner");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    ExpectCopied(fs);
    EXPECT_EQ(fs.Content(kDestination + L"A\\A1\\own"), "own");
    EXPECT_TRUE(fs.IsFolder(kDestination + L"E\\inner"));
    for (const auto& [op, path] : fs.Calls())
        EXPECT_FALSE(op == Op::CreateFolder && (path == kDestination || path == kDestination + L"A")) << path;
}

TEST(CopyFolder, ReplacesReadOnlyHiddenAndSystemFiles) {
    for (const std::uint32_t attributes :
         {attr::kReadOnly, attr::kHidden, attr::kSystem, attr::kReadOnly | attr::kHidden | attr::kSystem}) {
        MemoryFileSystem fs;
        AddTree(fs);
        fs.AddFile(kDestination + L"f", "old", attributes);
        fs.AddFile(kDestination + L"A\\A1\\x", "old", attributes);
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied) << attributes;
        ExpectCopied(fs);
    }
}

TEST(CopyFolder, ReplacesAnEmptyDestinationFile) {
    MemoryFileSystem fs;
    AddTree(fs);
    fs.AddFile(kDestination + L"B\\b");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    EXPECT_EQ(fs.Content(kDestination + L"B\\b"), "b");
}

class FailedFile : public testing::TestWithParam<int> {};

TEST_P(FailedFile, EndsTheCopyThereUndoingNothing) {
    const int k = GetParam();  // 1-based, in list order
    const std::wstring failing = kFiles[static_cast<std::size_t>(k - 1)];
    MemoryFileSystem fs;
    AddTree(fs);
    fs.FailOn(Op::Copy, kSource + failing);
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Failed);
    for (const auto& folder : kFolders) EXPECT_TRUE(fs.IsFolder(kDestination + folder));
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(fs.IsFile(kDestination + kFiles[static_cast<std::size_t>(i - 1)]), i < k) << i;
    EXPECT_EQ(fs.CallCount(Op::Copy), static_cast<std::size_t>(k)) << "later files are not tried";
    EXPECT_EQ(progress.finished, k - 1);
    EXPECT_EQ(progress.values.size(), static_cast<std::size_t>(k - 1));
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, FailedFile, testing::Values(1, 3, 4));

TEST(CopyFolder, FailsWhenAnAttributeCannotBeCleared) {
    MemoryFileSystem fs;
    AddTree(fs);
    fs.AddFile(kDestination + L"A\\a", "old", attr::kReadOnly);
    fs.FailOn(Op::ClearAttributes, kDestination + L"A\\a");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Failed);
    EXPECT_EQ(fs.Content(kDestination + L"A\\a"), "old");
    EXPECT_EQ(progress.finished, 1);
}

TEST(CopyFolder, FailsWhereAFolderStandsInPlaceOfAFile) {
    MemoryFileSystem fs;
    AddTree(fs);
    fs.AddFolder(kDestination + L"A\\a");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Failed);
    EXPECT_EQ(progress.finished, 1);
    EXPECT_TRUE(fs.IsFolder(kDestination + L"A\\a"));
}

TEST(CopyFolder, CreatesEveryFolderOfATreeWithoutFiles) {
    MemoryFileSystem fs;
    fs.AddFolder(kSource + L"A\\A1");
    fs.AddFolder(kSource + L"B");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    EXPECT_TRUE(fs.IsFolder(kDestination + L"A\\A1"));
    EXPECT_TRUE(fs.IsFolder(kDestination + L"B"));
    EXPECT_EQ(progress.ranges, std::vector<int>{0});
    EXPECT_EQ(progress.finished, 0);
    EXPECT_EQ(progress.yields, 0);
}

TEST(CopyFolder, CopiesAnEmptyTreeThatExists) {
    MemoryFileSystem fs;
    fs.AddFolder(kSource);
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    EXPECT_TRUE(fs.IsFolder(kDestination));
}

TEST(CopyFolder, FailsWithoutTouchingTheDestinationWhenTheSourceIsMissing) {
    MemoryFileSystem fs;
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Failed);
    EXPECT_FALSE(fs.IsFolder(kDestination));
    EXPECT_TRUE(progress.ranges.empty());
    EXPECT_EQ(progress.finished, 0);
}

TEST(CopyFolder, FailsWhenASubfolderCannotBeListed) {
    MemoryFileSystem fs;
    AddTree(fs);
    fs.FailOn(Op::List, kSource + L"B\\");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Failed);
    EXPECT_FALSE(fs.IsFolder(kDestination)) << "nothing is created before the whole tree is listed";
}

TEST(CopyFolder, FailsWhenAFolderCannotBeCreated) {
    {
        MemoryFileSystem fs;  // the destination's parent is missing
        AddTree(fs);
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, kSource, L"C:\\missing\\dst\\"), CopyOutcome::Failed);
        EXPECT_EQ(fs.CallCount(Op::Copy), 0u);
        EXPECT_EQ(progress.finished, 0);
    }
    {
        MemoryFileSystem fs;  // a file stands where a folder must go
        AddTree(fs);
        fs.AddFile(kDestination + L"B", "in the way");
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Failed);
        EXPECT_EQ(fs.CallCount(Op::Copy), 0u);
        EXPECT_TRUE(fs.IsFolder(kDestination + L"A"));
    }
    {
        MemoryFileSystem fs;  // a file stands where the destination must go
        AddTree(fs);
        fs.AddFile(L"C:\\dst", "in the way");
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Failed);
        EXPECT_EQ(fs.Content(L"C:\\dst"), "in the way");
    }
}

TEST(CopyFolder, AsksNothingOfFoldersItCreatedItself) {
    MemoryFileSystem fs;
    AddTree(fs);
    fs.AddFolder(kDestination + L"B");
    RecordingProgress progress;
    ASSERT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    std::vector<std::wstring> asked;
    for (const auto& [op, path] : fs.Calls())
        if (op == Op::Attributes) asked.push_back(path);
    std::sort(asked.begin(), asked.end());
    // Only the existing folders are asked; their listings tell what they hold.
    EXPECT_EQ(asked, (std::vector<std::wstring>{kDestination, kDestination + L"A", kDestination + L"B",
                                                kDestination + L"E"}));
}

TEST(CopyFolder, StopsBeforeTheNextFileWhenAskedDuringAYield) {
    MemoryFileSystem fs;
    AddTree(fs);
    RecordingProgress progress;
    // One worker: the stop is asked while the second file is in flight, and that file ends it.
    fs.SetCopyHook([&](const std::wstring& from, CopyPacing& pacing) -> std::optional<CopyOutcome> {
        if (from != kSource + L"A\\a") return std::nullopt;
        progress.stop = true;
        return StallUntilHalted(pacing);
    });
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Stopped);
    EXPECT_EQ(fs.CallCount(Op::Copy), 2u);
    EXPECT_FALSE(fs.IsFile(kDestination + L"A\\a"));
    EXPECT_EQ(progress.finished, 1);
}

TEST(CopyFolder, AStopEndsALongFileInFlightAtItsNextChunk) {
    MemoryFileSystem fs;
    AddTree(fs);
    fs.AddFile(kSource + L"A\\a", std::string(10, 'a'));
    fs.SetChunkSize(4);
    RecordingProgress progress;
    fs.SetCopyHook([&](const std::wstring& from, CopyPacing& pacing) -> std::optional<CopyOutcome> {
        if (from != kSource + L"A\\a") return std::nullopt;
        progress.stop = true;
        if (!AwaitHalt(pacing)) return CopyOutcome::Failed;
        return std::nullopt;  // on to the chunks, which ask the pacing again
    });
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Stopped);
    EXPECT_FALSE(fs.IsFile(kDestination + L"A\\a")) << "a stopped file leaves nothing";
    EXPECT_EQ(fs.CallCount(Op::Copy), 2u);
    EXPECT_EQ(progress.finished, 1);
}

// A copy killed earlier left temporaries beside the files it was replacing: the next one
// removes them before it copies. A file of the tree of that very shape is the tree's own: it is
// neither removed nor written over as another's temporary.
TEST(CopyFolder, RemovesTheTemporariesAKilledCopyLeftButNoFileOfTheTree) {
    MemoryFileSystem fs;
    AddTree(fs);
    const std::wstring own = L"A\\$0000001.TMP";  // what A\a's temporary would be called
    fs.AddFile(kSource + own, "new");
    fs.FailOn(Op::Copy, kSource + own);
    fs.AddFile(kDestination + own, "old");
    fs.AddFile(kDestination + L"B\\$00000ZZ.TMP", "left");
    fs.AddFile(kDestination + L"E\\&0000100.tmp", "left");  // in a folder without files
    fs.AddFile(kDestination + L"B\\$000001.TMP", "user's");
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Failed);
    EXPECT_EQ(fs.Content(kDestination + L"A\\a"), "a");
    EXPECT_EQ(fs.Content(kDestination + own), "old");
    EXPECT_FALSE(fs.IsFile(kDestination + L"B\\$00000ZZ.TMP"));
    EXPECT_FALSE(fs.IsFile(kDestination + L"E\\&0000100.tmp"));
    EXPECT_EQ(fs.Content(kDestination + L"B\\$000001.TMP"), "user's");
}

TEST(CopyFolder, RefusesToBeEnteredAgainWhileItRuns) {
    MemoryFileSystem fs;
    AddTree(fs);
    RecordingProgress progress;
    MemoryFileSystem other;
    AddTree(other);
    RecordingProgress otherProgress;
    CopyOutcome inner = CopyOutcome::Copied;
    progress.onYield = [&](int yields) {
        if (yields == 2) inner = CopyFolder(other, otherProgress, kSource, kDestination);
    };
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    EXPECT_EQ(inner, CopyOutcome::Failed);
    EXPECT_TRUE(other.Calls().empty());
    EXPECT_FALSE(otherProgress.finished.has_value()) << "the running copy's bar is left alone";
    // Once it has returned, it can be entered again.
    EXPECT_EQ(CopyFolder(other, otherProgress, kSource, kDestination), CopyOutcome::Copied);
}


// In a folder the copy made itself, a taken name means two files of the tree claim one name
// (letter case, a short name): the copy fails rather than lose one of them.
TEST(CopyFolder, FailsRatherThanReplaceInAFolderItCreated) {
    MemoryFileSystem fs;
    AddTree(fs);
    RecordingProgress progress;
    // Taken while the file before it is copied.
    fs.SetCopyHook([&](const std::wstring& from, CopyPacing&) -> std::optional<CopyOutcome> {
        if (from == kSource + L"f") fs.AddFile(kDestination + L"A\\a", "claimed");
        return std::nullopt;
    });
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Failed);
    EXPECT_EQ(fs.Content(kDestination + L"A\\a"), "claimed");
    EXPECT_EQ(progress.finished, 1);
}

// A tree of `folders` folders below kSource, each holding `filesEach` files.
void AddWideTree(MemoryFileSystem& fs, int folders, int filesEach) {
    for (int d = 0; d < folders; ++d) {
        const std::wstring folder = kSource + L"d" + std::to_wstring(d);
        fs.AddFolder(folder);
        for (int f = 0; f < filesEach; ++f) fs.AddFile(folder + L"\\f" + std::to_wstring(f), "x");
    }
}

// Listing and building the folders of a large tree take as long as copying a part of it: the
// window gets its turn every few folders there too, not only once per file.
TEST(CopyFolder, YieldsEveryFewFoldersWhileListingAndBuilding) {
    MemoryFileSystem fs;
    AddWideTree(fs, 200, 1);
    RecordingProgress progress;
    std::vector<std::size_t> callsAtYield;
    // Until the files' copies start, all the calls are the window thread's own.
    progress.onYield = [&](int) {
        if (progress.ranges.empty()) callsAtYield.push_back(fs.Calls().size());
    };
    ASSERT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    // Where the copies began.
    callsAtYield.push_back(fs.Calls().size() - fs.CallCount(Op::Copy) - fs.CallCount(Op::Rename));
    std::size_t longest = callsAtYield.front();
    for (std::size_t i = 1; i < callsAtYield.size(); ++i)
        longest = std::max(longest, callsAtYield[i] - callsAtYield[i - 1]);
    // About eight folders' calls in a row, sixteen where listing hands over to building.
    EXPECT_LE(longest, 18u) << "file system calls without a yield";
    EXPECT_GT(progress.yields, 200 + 2 * 20) << "a yield per file and some per folder phase";
}

TEST(CopyFolder, YieldsInsideTheListingOfAFolderOfThousandsOfFiles) {
    MemoryFileSystem fs;
    AddWideTree(fs, 1, 5000);
    RecordingProgress progress;
    int whileListing = 0;
    progress.onYield = [&](int) { whileListing += fs.CallCount(Op::CreateFolder) == 0 ? 1 : 0; };
    ASSERT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Copied);
    EXPECT_GE(whileListing, 4);
    EXPECT_EQ(fs.CallCount(Op::List), 2u);
}

TEST(CopyFolder, StopsWhileListingBeforeCreatingAnything) {
    MemoryFileSystem fs;
    AddWideTree(fs, 100, 1);
    RecordingProgress progress;
    progress.onYield = [&](int) { progress.stop = true; };
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Stopped);
    EXPECT_EQ(progress.yields, 1);
    EXPECT_LT(fs.CallCount(Op::List), 100u);
    EXPECT_EQ(fs.CallCount(Op::CreateFolder), 0u);
    EXPECT_FALSE(fs.IsFolder(kDestination));
    EXPECT_TRUE(progress.ranges.empty());
    EXPECT_EQ(progress.finished, 0);
}

TEST(CopyFolder, StopsWhileBuildingFoldersBeforeCopyingAnyFile) {
    MemoryFileSystem fs;
    AddWideTree(fs, 100, 1);
    RecordingProgress progress;
    progress.onYield = [&](int) { progress.stop = progress.stop || fs.CallCount(Op::CreateFolder) > 0; };
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination), CopyOutcome::Stopped);
    EXPECT_EQ(fs.CallCount(Op::List), 101u);
    EXPECT_GT(fs.CallCount(Op::CreateFolder), 0u);
    EXPECT_LT(fs.CallCount(Op::CreateFolder), 101u);
    EXPECT_EQ(fs.CallCount(Op::Copy), 0u);
    EXPECT_TRUE(progress.ranges.empty());
    EXPECT_EQ(progress.finished, 0);
}

}  // namespace
}  // namespace setup::test
