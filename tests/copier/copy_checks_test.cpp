// What the copier checks before it makes anything: names the disk takes for one, the space
// on the destination's volume, links; and what it mends after a copy from a disc.
#include <gtest/gtest.h>

#include <functional>
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
}

TEST(Disc, FilesFromOtherDrivesKeepTheirAttributes) {
    MemoryFileSystem fs;
    fs.AddFile(kSource + L"f", "f", attr::kReadOnly);
    fs.SetDisc(L"D:\\");
    EXPECT_EQ(Copy(fs), CopyOutcome::Copied);
    EXPECT_EQ(fs.AttributesOf(kDestination + L"f"), attr::kReadOnly);
}

// Links planted where the copy goes, or met in the medium's tree. Nothing is ever written
// through one: where one stands in the way, the copy fails before writing anything and leaves
// it, and what it leads to, as they were; a link at a file's own name is replaced as a file.
struct LinkCase {
    const char* name;
    std::function<void(MemoryFileSystem&)> plant;
    CopyOutcome outcome;
};

const std::wstring kOutside = L"C:\\outside\\";

TEST(Links, NothingIsWrittenThroughOne) {
    const LinkCase cases[] = {
        {"the destination itself", [](MemoryFileSystem& fs) { fs.AddLink(L"C:\\dst", kOutside, true); },
         CopyOutcome::Failed},
        {"a folder of the tree", [](MemoryFileSystem& fs) { fs.AddLink(kDestination + L"A", kOutside, true); },
         CopyOutcome::Failed},
        {"one inside the destination", [](MemoryFileSystem& fs) {
             fs.AddFolder(kDestination + L"elsewhere");
             fs.AddLink(kDestination + L"A", kDestination + L"elsewhere", true);
         }, CopyOutcome::Failed},
        {"a temporary's name", [](MemoryFileSystem& fs) {
             fs.AddLink(kDestination + L"A\\$0000009.TMP", kOutside + L"keep", false);
         }, CopyOutcome::Failed},
        {"in the source, to a folder outside", [](MemoryFileSystem& fs) { fs.AddLink(kSource + L"A\\B", kOutside, true); },
         CopyOutcome::Failed},
        {"in the source, a loop", [](MemoryFileSystem& fs) { fs.AddLink(kSource + L"A\\loop", kSource, true); },
         CopyOutcome::Failed},
        {"in the source, a file", [](MemoryFileSystem& fs) { fs.AddLink(kSource + L"g", kSource + L"f", false); },
         CopyOutcome::Failed},
        {"a file's own name", [](MemoryFileSystem& fs) { fs.AddLink(kDestination + L"A\\a", kOutside + L"keep", false); },
         CopyOutcome::Copied},
    };
    for (const LinkCase& link : cases) {
        SCOPED_TRACE(link.name);
        MemoryFileSystem fs;
        fs.AddFile(kSource + L"f", "f");
        fs.AddFile(kSource + L"A\\a", "a");
        fs.AddFile(kOutside + L"keep", "kept");
        fs.AddFolder(kDestination + L"A");
        link.plant(fs);
        EXPECT_EQ(Copy(fs), link.outcome);
        EXPECT_EQ(fs.Content(kOutside + L"keep"), "kept");
        EXPECT_EQ(fs.FileCount(), link.outcome == CopyOutcome::Copied ? 5u : 3u) << "nothing else written";
        if (link.outcome == CopyOutcome::Copied) {
            EXPECT_EQ(fs.Content(kDestination + L"A\\a"), "a");
        }
    }
}

// A folder swapped for a link once the survey has seen it is no folder the copy enters; one
// swapped once the copy holds it is still the folder written to.
TEST(Links, AFolderSwappedForALinkAfterItsCheckIsNotFollowed) {
    for (const Op when : {Op::Attributes, Op::Copy}) {
        MemoryFileSystem fs;
        fs.AddFile(kSource + L"A\\a", "a");
        fs.AddFile(kSource + L"A\\B\\b", "b");
        fs.AddFolder(kDestination + L"A\\B");
        // What the link leads to looks like the tree, so a copy that went by path would write there.
        fs.AddFolder(kOutside + L"B");
        const std::wstring checked = when == Op::Attributes ? kDestination + L"A" : kDestination + L"A\\a";
        fs.After(when, checked, [&] { fs.SwapForLink(kDestination + L"A", kOutside); });
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 1),
                  when == Op::Attributes ? CopyOutcome::Failed : CopyOutcome::Copied);
        EXPECT_TRUE(fs.IsLink(kDestination + L"A"));
        EXPECT_FALSE(fs.IsFile(kOutside + L"B\\b")) << "written through the link";
        EXPECT_FALSE(fs.IsFile(kOutside + L"a"));
    }
}

}  // namespace
}  // namespace setup::test
