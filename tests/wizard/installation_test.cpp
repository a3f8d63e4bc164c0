// The install sequence without a window: which tree, where to, and what the registry gets
// on each road, through an in-memory file system and product store.
#include "wizard/installation.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "copier/memory_file_system.hpp"
#include "copier/recording_progress.hpp"
#include "wizard/memory_product_store.hpp"

namespace setup::test {
namespace {

using Writes = std::vector<std::pair<std::wstring, std::wstring>>;

class Installation : public testing::Test {
protected:
    void SetUp() override {
        fs.AddFile(L"D:\\zrv\\class\\c.txt", "class");
        fs.AddFile(L"D:\\zrv\\upgrade\\u.txt", "upgrade");
        fs.AddFile(L"D:\\zrv\\upgrade\\sub\\v.txt", "upgrade v");
        fs.AddFolder(L"C:\\Tess");
        store.values[{kProduct, L"InstallPath"}] = L"\"C:\\Tess\"";
    }

    std::optional<InstallPlan> Plan() { return PlanInstallation(store, lines, L"D:"); }
    InstallOutcome Install() {
        const auto plan = Plan();
        EXPECT_TRUE(plan);
        return plan ? CarryOutInstallation(*plan, lines, store, fs, progress) : InstallOutcome::CopyFailed;
    }
    Writes Recorded() const { return store.writes; }
    std::optional<std::wstring> Value(const std::wstring& key, const std::wstring& name) const {
        const auto it = store.values.find({key, name});
        return it == store.values.end() ? std::nullopt : std::optional(it->second);
    }

    MemoryFileSystem fs;
    MemoryProductStore store;
    RecordingProgress progress;
    ProductLines lines{L"泰索瓦林课堂", L"", L"2.1", L"TVC-2.1", L""};
};

TEST_F(Installation, EqualVersionsInstallTheClassTreeAndRecordMarkerThenVersion) {
    store.values[{kProduct, L"version"}] = L"2.1";
    const auto plan = Plan();
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->source, L"D:\\zrv\\class\\");
    EXPECT_EQ(plan->destination, L"C:\\Tess\\coon\\");
    EXPECT_EQ(CarryOutInstallation(*plan, lines, store, fs, progress), InstallOutcome::Installed);
    EXPECT_EQ(fs.Content(L"C:\\Tess\\coon\\c.txt"), "class");
    EXPECT_FALSE(fs.IsFile(L"C:\\Tess\\coon\\u.txt"));
    EXPECT_EQ(Recorded(), (Writes{{kMarker, L"TVC-2.1"}, {kProduct, L"version"}}));
    EXPECT_EQ(Value(kMarker, L"TVC-2.1"), L"TVC-2.1");
    EXPECT_EQ(Value(kProduct, L"version"), L"2.1");
}

TEST_F(Installation, AnyOtherRecordedVersionInstallsTheUpgradeTree) {
    for (const wchar_t* recorded : {L"", L"2.1 ", L"2.0"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(recorded)));
        store.values[{kProduct, L"version"}] = recorded;
        store.writes.clear();
        const auto plan = Plan();
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->source, L"D:\\zrv\\upgrade\\");
        EXPECT_EQ(CarryOutInstallation(*plan, lines, store, fs, progress), InstallOutcome::Installed);
        EXPECT_EQ(fs.Content(L"C:\\Tess\\coon\\sub\\v.txt"), "upgrade v");
        EXPECT_EQ(Value(kProduct, L"version"), L"2.1");
    }
}

TEST_F(Installation, ARecordedFolderThatNamesNoFolderIsRefusedBeforeAnything) {
    for (const wchar_t* installPath : {L"", L"\"", L"\"\"", L"\"relative\\dir\"", L"\"C:dir\"", L"\"\\\\.\\C:\\x\""}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(installPath)));
        store.values[{kProduct, L"InstallPath"}] = installPath;
        EXPECT_FALSE(Plan());
    }
    store.values.erase({kProduct, L"InstallPath"});
    EXPECT_FALSE(Plan());
    EXPECT_TRUE(store.writes.empty());
}

TEST_F(Installation, AFailedCopyRecordsNothing) {
    fs.FailOn(Op::Copy, L"D:\\zrv\\upgrade\\sub\\v.txt");
    EXPECT_EQ(Install(), InstallOutcome::CopyFailed);
    EXPECT_EQ(fs.Content(L"C:\\Tess\\coon\\u.txt"), "upgrade");
    EXPECT_TRUE(store.writes.empty());
}

TEST_F(Installation, AStoppedCopyRecordsNothing) {
    fs.SetCopyHook([&](const std::wstring&, CopyPacing& pacing) {
        progress.stop = true;
        return StallUntilHalted(pacing);
    });
    EXPECT_EQ(Install(), InstallOutcome::Stopped);
    EXPECT_TRUE(store.writes.empty());
}

TEST_F(Installation, AMarkerThatCannotBeWrittenLeavesTheVersionUnrecorded) {
    store.refused.insert(kMarker);
    EXPECT_EQ(Install(), InstallOutcome::NotRecorded);
    EXPECT_EQ(Recorded(), (Writes{{kMarker, L"TVC-2.1"}}));
    EXPECT_FALSE(Value(kProduct, L"version"));
}

TEST_F(Installation, AVersionThatCannotBeWrittenAfterTheMarkerIsNotRecorded) {
    store.refused.insert(kProduct);
    EXPECT_EQ(Install(), InstallOutcome::NotRecorded);
    EXPECT_EQ(Value(kMarker, L"TVC-2.1"), L"TVC-2.1");
    EXPECT_FALSE(Value(kProduct, L"version"));
}

TEST_F(Installation, EmptyLinesAreRecordedAsTheyAre) {
    lines = {L"", L"", L"", L"", L""};
    EXPECT_EQ(Install(), InstallOutcome::Installed);
    EXPECT_EQ(Recorded(), (Writes{{kMarker, L""}, {kProduct, L"version"}}));
    EXPECT_EQ(Value(kProduct, L"version"), L"");
}

}  // namespace
}  // namespace setup::test
