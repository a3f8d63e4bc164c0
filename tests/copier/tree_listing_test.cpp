#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copier/memory_file_system.hpp"
#include "copier/tree_listing.hpp"

namespace setup::test {
namespace {

std::vector<std::wstring> Folders(const FolderTree& tree) {
    std::vector<std::wstring> out;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i) out.push_back(tree.FolderPath(i));
    return out;
}
std::vector<std::wstring> Files(const FolderTree& tree) {
    std::vector<std::wstring> out;
    for (std::size_t i = 0; i < tree.FileCount(); ++i) out.push_back(tree.FilePath(i));
    return out;
}

using Paths = std::vector<std::wstring>;

// The root holds folder A, folder B and file f; A holds folder A1 and file a; A1 holds
// file x; B holds file b.
void AddExampleTree(MemoryFileSystem& fs, const std::wstring& root) {
    fs.AddFolder(root + L"A");
    fs.AddFolder(root + L"B");
    fs.AddFile(root + L"f");
    fs.AddFolder(root + L"A\\A1");
    fs.AddFile(root + L"A\\a");
    fs.AddFile(root + L"A\\A1\\x");
    fs.AddFile(root + L"B\\b");
}

TEST(FindFiles, ListsTheExampleTreeInItsOrder) {
    MemoryFileSystem fs;
    AddExampleTree(fs, L"C:\\src\\");
    FolderTree tree;
    ASSERT_TRUE(FindFiles(fs, L"C:\\src\\", tree));
    EXPECT_EQ(Folders(tree), (Paths{L"A", L"B", L"A\\A1"}));
    EXPECT_EQ(Files(tree), (Paths{L"f", L"A\\a", L"A\\A1\\x", L"B\\b"}));
}

TEST(FindFiles, FinishesEachListingBeforeEnteringASubfolder) {
    MemoryFileSystem fs;
    AddExampleTree(fs, L"C:\\src\\");
    fs.AddFolder(L"C:\\src\\A\\A1\\Z");
    fs.AddFile(L"C:\\src\\A\\A1\\Z\\z");
    fs.AddFolder(L"C:\\src\\B\\B1");
    fs.AddFile(L"C:\\src\\B\\B1\\y");
    fs.AddFolder(L"C:\\src\\A\\A2");
    FolderTree tree;
    ASSERT_TRUE(FindFiles(fs, L"C:\\src\\", tree));
    EXPECT_EQ(Folders(tree),
              (Paths{L"A", L"B", L"A\\A1", L"A\\A2", L"A\\A1\\Z", L"B\\B1"}));
    EXPECT_EQ(Files(tree),
              (Paths{L"f", L"A\\a", L"A\\A1\\x", L"A\\A1\\Z\\z", L"B\\b", L"B\\B1\\y"}));
    // Every listing is a separate call that ended before the next began.
    std::vector<std::wstring> listed;
    for (const auto& [op, path] : fs.Calls())
        if (op == Op::List) listed.push_back(path);
    EXPECT_EQ(listed, (Paths{L"C:\\src\\", L"C:\\src\\A\\", L"C:\\src\\A\\A1\\", L"C:\\src\\A\\A1\\Z\\",
                             L"C:\\src\\A\\A2\\", L"C:\\src\\B\\", L"C:\\src\\B\\B1\\"}));
    // Parents are folder positions plus one, 0 for the root.
    EXPECT_EQ(tree.folderParents, (std::vector<std::uint32_t>{0, 0, 1, 1, 3, 2}));
    EXPECT_EQ(tree.fileParents, (std::vector<std::uint32_t>{0, 1, 3, 5, 2, 6}));
}

TEST(FindFiles, RelativePathsDoNotDependOnTheRootsFinalSeparator) {
    for (const std::wstring root : {L"C:\\src", L"C:\\src\\"}) {
        MemoryFileSystem fs;
        AddExampleTree(fs, L"C:\\src\\");
        FolderTree tree;
        ASSERT_TRUE(FindFiles(fs, root, tree));
        EXPECT_EQ(Folders(tree), (Paths{L"A", L"B", L"A\\A1"}));
        EXPECT_EQ(Files(tree), (Paths{L"f", L"A\\a", L"A\\A1\\x", L"B\\b"}));
        EXPECT_EQ(fs.Calls().back().second, L"C:\\src\\B\\");
    }
}

TEST(FindFiles, UsesARootWithDoubledSeparatorsUnchanged) {
    MemoryFileSystem fs;
    AddExampleTree(fs, L"C:\\zrv\\class\\");
    FolderTree tree;
    ASSERT_TRUE(FindFiles(fs, L"C:\\\\zrv\\class\\", tree));
    EXPECT_EQ(Files(tree), (Paths{L"f", L"A\\a", L"A\\A1\\x", L"B\\b"}));
    EXPECT_EQ(fs.Calls().back().second, L"C:\\\\zrv\\class\\B\\");
}

TEST(FindFiles, NeverListsDotEntriesAndKeepsHiddenAndSystemOnes) {
    MemoryFileSystem fs;
    fs.AddFolder(L"C:\\src\\h", attr::kHidden | attr::kSystem);
    fs.AddFile(L"C:\\src\\h\\s", "", attr::kSystem);
    fs.AddFile(L"C:\\src\\r", "", attr::kReadOnly | attr::kHidden);
    FolderTree tree;
    ASSERT_TRUE(FindFiles(fs, L"C:\\src\\", tree));
    EXPECT_EQ(Folders(tree), (Paths{L"h"}));
    EXPECT_EQ(Files(tree), (Paths{L"r", L"h\\s"}));
}

TEST(FindFiles, FailsWhenAFolderCannotBeListed) {
    MemoryFileSystem fs;
    FolderTree tree;
    EXPECT_FALSE(FindFiles(fs, L"C:\\missing\\", tree));

    AddExampleTree(fs, L"C:\\src\\");
    fs.FailOn(Op::List, L"C:\\src\\A\\A1");
    EXPECT_FALSE(FindFiles(fs, L"C:\\src\\", tree));
}

TEST(NameList, ReadsBackWhatWasAppended) {
    NameList list;
    EXPECT_EQ(list.Count(), 0u);
    ASSERT_TRUE(list.Append(L"one"));
    ASSERT_TRUE(list.Append(L""));
    ASSERT_TRUE(list.Append(L"three"));
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[0], L"one");
    EXPECT_EQ(list[1], L"");
    EXPECT_EQ(list[2], L"three");
}

TEST(FindFiles, StartsFromAnEmptyTreeEachTime) {
    MemoryFileSystem fs;
    AddExampleTree(fs, L"C:\\src\\");
    FolderTree tree;
    ASSERT_TRUE(FindFiles(fs, L"C:\\src\\B", tree));
    ASSERT_TRUE(FindFiles(fs, L"C:\\src\\A", tree));
    EXPECT_EQ(Folders(tree), (Paths{L"A1"}));
    EXPECT_EQ(Files(tree), (Paths{L"a", L"A1\\x"}));
}

}  // namespace
}  // namespace setup::test
