// What the copier checks before it makes anything: names the disk takes for one, the space
// on the destination's volume; and what it mends after a copy from a disc.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copier/memory_file_system.hpp"
#include "copier/recording_progress.hpp"
#include "copier/space_need.hpp"
#include "copier/tree_copier.hpp"

namespace setup::test {
namespace {

const std::wstring kSource = L"C:\\src\\";
const std::wstring kDestination = L"C:\\dst\\";
constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kGiB = kKiB * kKiB * kKiB;

CopyOutcome Copy(MemoryFileSystem& fs) {
    RecordingProgress progress;
    return CopyFolder(fs, progress, kSource, kDestination);
}

TEST(SpaceNeed, RoundsEachFileUpToWholeClusters) {
    SpaceNeed need(4 * kKiB);
    EXPECT_EQ(need.Allocated(0), 0u);
    EXPECT_EQ(need.Allocated(1), 4 * kKiB);
    EXPECT_EQ(need.Allocated(4 * kKiB), 4 * kKiB);
    EXPECT_EQ(need.Allocated(4 * kKiB + 1), 8 * kKiB);
    for (int i = 0; i < 3; ++i) need.Write(100);
    EXPECT_EQ(need.Bytes(), 24 * kKiB) << "three small files take three clusters and three records";
    EXPECT_TRUE(need.FitsIn(24 * kKiB));
    EXPECT_FALSE(need.FitsIn(24 * kKiB - 1));
}

// A file is written beside the one it replaces: what the old files give back, they give once
// the new ones are whole, and the largest of those in flight at once stand beside them.
TEST(SpaceNeed, FilesItReplacesGiveBackWhatTheyHoldOnceTheNewOnesAreWhole) {
    SpaceNeed need(4 * kKiB, 2);
    need.Write(10 * kKiB);   // 12 KiB and a record
    need.Replace(5 * kKiB);  // 8 KiB and a record back, once the new file stands
    EXPECT_EQ(need.Bytes(), 16 * kKiB);
    need.Replace(40 * kKiB);  // 44 KiB back, beside its new version first
    need.Replace(1);          // 8 KiB back
    EXPECT_EQ(need.Bytes(), 16 * kKiB + 56 * kKiB - 64 * kKiB) << "the two largest stand beside their new files";
    need.Replace(0);
    EXPECT_EQ(need.Bytes(), 4 * kKiB) << "a smaller one changes no peak";
    SpaceNeed one(4 * kKiB, 1);
    one.Write(10 * kKiB);
    one.Replace(40 * kKiB);
    EXPECT_EQ(one.Bytes(), 16 * kKiB);
}

TEST(SpaceNeed, CountsSizesPastFourGibibytesAndNeverWraps) {
    SpaceNeed need(64 * kKiB);
    need.Write(5 * kGiB + 1);
    EXPECT_EQ(need.Bytes(), 5 * kGiB + 2 * 64 * kKiB) << "a record takes a cluster where clusters are larger";
    need.Write(~std::uint64_t{0});
    EXPECT_FALSE(need.FitsIn(~std::uint64_t{0} - 1));
    SpaceNeed unknown(0);  // no cluster size: bytes as they are
    unknown.Write(4097);
    EXPECT_EQ(unknown.Bytes(), 4097u + 4 * kKiB);
}

// Files in folders that exist (root, A) or not (B), 4 KiB clusters: 12 KiB of data, and 16 KiB
// of records for the three files and the folder B.
class Space : public testing::Test {
protected:
    void SetUp() override {
        fs.AddFile(kSource + L"f", std::string(5000, 'f'));    // 8 KiB
        fs.AddFile(kSource + L"A\\a", std::string(100, 'a'));  // 4 KiB
        fs.AddFile(kSource + L"B\\empty", "");                 // nothing
        fs.AddFolder(L"C:\\dst\\A");
        fs.SetSpace(VolumeSpace{28 * kKiB, 4 * kKiB});
    }
    bool NothingMade() const {
        return !fs.IsFolder(kDestination + L"B") && !fs.IsFile(kDestination + L"f") && fs.CallCount(Op::Copy) == 0 &&
               fs.CallCount(Op::CreateFolder) == 0;
    }
    MemoryFileSystem fs;
};

TEST_F(Space, ATreeThatFitsExactlyIsCopied) {
    EXPECT_EQ(Copy(fs), CopyOutcome::Copied);
    EXPECT_EQ(fs.Content(kDestination + L"f"), std::string(5000, 'f'));
    EXPECT_TRUE(fs.IsFile(kDestination + L"B\\empty"));
}

TEST_F(Space, OneClusterShortFailsBeforeAnythingIsMade) {
    fs.SetSpace(VolumeSpace{28 * kKiB - 1, 4 * kKiB});
    EXPECT_EQ(Copy(fs), CopyOutcome::Failed);
    EXPECT_TRUE(NothingMade());
}

TEST_F(Space, FilesThatWillBeReplacedCountAsFreeWhateverTheirSpelling) {
    // 28 KiB written, 12 KiB freed once the new f stands beside the old one.
    fs.SetSpace(VolumeSpace{28 * kKiB, 4 * kKiB});
    fs.AddFile(kDestination + L"F", std::string(8000, 'x'));  // 8 KiB and a record back, spelt otherwise
    EXPECT_EQ(Copy(fs), CopyOutcome::Copied);
    EXPECT_EQ(fs.Content(kDestination + L"f"), std::string(5000, 'f'));
}

TEST_F(Space, OtherFilesOfTheDestinationCountForNothing) {
    fs.SetSpace(VolumeSpace{16 * kKiB, 4 * kKiB});
    fs.AddFile(kDestination + L"own", std::string(8000, 'x'));
    fs.AddFolder(kDestination + L"f.old");
    EXPECT_EQ(Copy(fs), CopyOutcome::Failed);
    EXPECT_FALSE(fs.IsFile(kDestination + L"f"));
}

// Empty files hold no data, yet each new file and folder takes a record on the disk.
TEST_F(Space, ATreeOfEmptyFilesNeedsARecordForEachEntry) {
    MemoryFileSystem empty;
    for (int i = 0; i < 50; ++i) empty.AddFile(kSource + L"d\\e" + std::to_wstring(i));
    empty.AddFolder(L"C:\\dst");
    empty.SetSpace(VolumeSpace{51 * 4 * kKiB - 1, 512});
    EXPECT_EQ(Copy(empty), CopyOutcome::Failed);
    EXPECT_FALSE(empty.IsFolder(kDestination + L"d"));
    empty.SetSpace(VolumeSpace{51 * 4 * kKiB, 512});
    EXPECT_EQ(Copy(empty), CopyOutcome::Copied);
    EXPECT_TRUE(empty.IsFile(kDestination + L"d\\e49"));
}

TEST_F(Space, FilesPastFourGibibytesAreCountedWhole) {
    fs.SetListedSize(kSource + L"f", 5 * kGiB);
    fs.SetSpace(VolumeSpace{5 * kGiB + 20 * kKiB - 1, 4 * kKiB});
    EXPECT_EQ(Copy(fs), CopyOutcome::Failed) << "5 GiB, one cluster for A\\a and four records";
    EXPECT_TRUE(NothingMade());
    fs.SetSpace(VolumeSpace{5 * kGiB + 20 * kKiB, 4 * kKiB});
    EXPECT_EQ(Copy(fs), CopyOutcome::Copied);
}

TEST_F(Space, IsAskedOfTheNearestFolderThatExistsAndUnknownSpaceStopsNothing) {
    RecordingProgress progress;
    fs.SetSpace(VolumeSpace{0, 4 * kKiB});
    EXPECT_EQ(CopyFolder(fs, progress, kSource, L"C:\\dst\\new\\deeper\\"), CopyOutcome::Failed);
    EXPECT_FALSE(fs.IsFolder(L"C:\\dst\\new"));
    fs.SetSpace(std::nullopt);
    fs.AddFolder(L"C:\\dst\\new");
    EXPECT_EQ(CopyFolder(fs, progress, kSource, L"C:\\dst\\new\\deeper\\"), CopyOutcome::Copied);
}

// Two entries that the disk takes for one name would land on one file or folder.
TEST(NameClash, FailsEveryAttemptBeforeAnyFolderIsMade) {
    struct Case {
        const wchar_t* first;
        bool firstFolder;
        const wchar_t* second;
        bool secondFolder;
    };
    const Case cases[] = {
        {L"docs\\Readme.txt", false, L"docs\\README.TXT", false},
        {L"Data", true, L"DATA", true},
        {L"sub\\x", false, L"sub\\X", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.second)));
        for (const bool destinationExists : {false, true}) {
            MemoryFileSystem fs;
            fs.AddFile(kSource + L"first.txt", "1");
            if (c.firstFolder) fs.AddFolder(kSource + c.first);
            else fs.AddFile(kSource + c.first, "a");
            // The second spelling goes straight into the node list, as a case-sensitive disk has it.
            fs.AddDistinct(kSource + c.second, c.secondFolder);
            if (destinationExists) fs.AddFolder(L"C:\\dst\\docs");
            for (int attempt = 0; attempt < 2; ++attempt) {
                EXPECT_EQ(Copy(fs), CopyOutcome::Failed);
                EXPECT_EQ(fs.CallCount(Op::CreateFolder), 0u);
                EXPECT_EQ(fs.CallCount(Op::Copy), 0u);
            }
        }
    }
}

TEST(NameClash, NamesThatOnlyLookAlikeAreDistinct) {
    MemoryFileSystem fs;
    fs.AddFile(kSource + L"a.txt", "1");
    fs.AddFile(kSource + L"a.txt.bak", "2");
    fs.AddFile(kSource + L"sub\\a.txt", "3");  // another folder
    fs.AddFolder(kSource + L"a");
    EXPECT_EQ(Copy(fs), CopyOutcome::Copied);
    EXPECT_EQ(fs.Content(kDestination + L"sub\\a.txt"), "3");
}

TEST(Disc, EveryFileCopiedFromADiscLosesItsReadOnlyMarkAndKeepsTheRest) {
    MemoryFileSystem fs;
    fs.AddFile(kSource + L"f", "f", attr::kReadOnly);
    fs.AddFile(kSource + L"A\\h", "h", attr::kReadOnly | attr::kHidden);
    fs.SetDisc(L"C:\\src");
    EXPECT_EQ(Copy(fs), CopyOutcome::Copied);
    EXPECT_EQ(fs.AttributesOf(kDestination + L"f"), 0u);
    EXPECT_EQ(fs.AttributesOf(kDestination + L"A\\h"), attr::kHidden);
    EXPECT_EQ(fs.CallCount(Op::ClearReadOnly), 2u);
}

TEST(Disc, FilesFromOtherDrivesKeepTheirAttributes) {
    MemoryFileSystem fs;
    fs.AddFile(kSource + L"f", "f", attr::kReadOnly);
    fs.SetDisc(L"D:\\");
    EXPECT_EQ(Copy(fs), CopyOutcome::Copied);
    EXPECT_EQ(fs.AttributesOf(kDestination + L"f"), attr::kReadOnly);
    EXPECT_EQ(fs.CallCount(Op::ClearReadOnly), 0u);
}

TEST(Disc, AMarkThatCannotBeClearedFailsTheCopy) {
    MemoryFileSystem fs;
    fs.AddFile(kSource + L"f", "f", attr::kReadOnly);
    fs.AddFile(kSource + L"g", "g", attr::kReadOnly);
    fs.SetDisc(L"C:\\src");
    fs.FailOn(Op::ClearReadOnly, kDestination + L"$0000000.TMP");  // f, written beside its place
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1), CopyOutcome::Failed);
    EXPECT_EQ(progress.finished, 0);
    EXPECT_FALSE(fs.IsFile(kDestination + L"g"));
}

}  // namespace
}  // namespace setup::test
