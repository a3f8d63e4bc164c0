// The whole installation over a model of the platform's storage, stopped at every change it
// makes: killed after it, the power cut after it, or the change failed in each way the platform
// fails it. After each, what is left must keep the installation's promises, and the next run
// must complete.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "copier/memory_file_system.hpp"
#include "copier/recording_progress.hpp"
#include "wizard/memory_product_store.hpp"

namespace setup::test {
namespace {

const std::wstring kCoon = L"C:\\Tess\\coon\\";
const ProductLines kLines{L"泰索瓦林课堂", L"", L"2.1", L"TVC-2.1", L""};

// The medium's tree (the same in class and upgrade, so that a run after a complete one installs
// it again) and an earlier installation: replaced, new, read-only and unchanged files, and one
// of the product's own that the tree doesn't hold.
const std::map<std::wstring, std::string> kNew{
    {L"a.txt", "new a, longer"}, {L"ro.txt", "new ro"},          {L"same.txt", "same"},
    {L"c.txt", "new c"},         {L"sub\\b.bin", "new b in sub"}, {L"sub\\fresh\\d.txt", "new d"}};
const std::map<std::wstring, std::string> kOld{
    {L"a.txt", "old a"}, {L"ro.txt", "old ro"}, {L"same.txt", "same"}, {L"sub\\b.bin", "old b"}, {L"own.txt", "own"}};

struct Scenario {
    const char* name;
    bool earlier;      // over an earlier installation
    bool volumeHeld;  // the volume can be flushed whole
};

struct World {
    std::unique_ptr<MemoryFileSystem> fs;
    MemoryProductStore store;
};

World Make(const Scenario& scenario) {
    World world{std::make_unique<MemoryFileSystem>(), {}};
    for (const wchar_t* tree : {L"class", L"upgrade"})
        for (const auto& [name, content] : kNew) world.fs->AddFile(L"D:\\zrv\\" + std::wstring(tree) + L"\\" + name, content);
    world.fs->AddFolder(L"C:\\Tess");
    if (scenario.earlier) {
        for (const auto& [name, content] : kOld)
            world.fs->AddFile(kCoon + name, content, name == L"ro.txt" ? attr::kReadOnly : 0);
        world.store.values[{kProduct, L"version"}] = L"2.0";
        world.store.values[{kMarker, L"TVC-2.0"}] = L"TVC-2.0";
    }
    world.store.values[{kProduct, L"InstallPath"}] = L"\"C:\\Tess\"";
    world.store.durable = world.store.values;
    world.fs->SetChunkSize(4);
    world.fs->SetVolumeHeld(scenario.volumeHeld);
    world.store.changes = world.fs.get();
    return world;
}

// What a new run finds: after a kill every name and the registry as they stand, after a power
// cut only what reached the disk.
World Restart(const World& from, bool powerCut) {
    World world{from.fs->Restarted(powerCut), from.store};
    if (powerCut) world.store.CutPower();
    world.store.changes = world.fs.get();
    return world;
}

InstallOutcome Install(World& world) {
    const auto plan = PlanInstallation(world.store, kLines, L"D:");
    if (!plan) return InstallOutcome::CopyFailed;
    RecordingProgress progress;
    // One worker: the changes come in one order, so that each can be singled out.
    return CarryOutInstallation(*plan, kLines, world.store, *world.fs, progress, nullptr, 1);
}

class Checks {
public:
    explicit Checks(const Scenario& scenario) : scenario_(scenario) {}

    // What may be left at any moment: each earlier file old or new, whole; a record only of
    // files that are new, whole and on the disk.
    void Left(const World& world, const std::string& point) {
        const MemoryFileSystem& fs = *world.fs;
        if (scenario_.earlier) {
            for (const auto& [name, old] : kOld) {
                const auto content = fs.Content(kCoon + name);
                const auto fresh = kNew.find(name);
                if (content != old && (fresh == kNew.end() || content != fresh->second))
                    Violation(point, "an earlier file is neither old nor new: " + Narrow(name));
            }
        }
        const auto version = world.store.values.find({kProduct, L"version"});
        const bool recorded = world.store.values.count({kMarker, L"TVC-2.1"}) != 0 ||
                              (version != world.store.values.end() && version->second == L"2.1");
        if (!recorded) return;
        for (const auto& [name, content] : kNew)
            if (fs.Content(kCoon + name) != content || !fs.IsDurable(kCoon + name))
                Violation(point, "recorded over a file not whole on the disk: " + Narrow(name));
    }

    // The next run completes: every file new, the record made, nothing else left: the two
    // trees of the medium, the installed files and the product's own.
    void Completes(World& world, const std::string& point) {
        if (Install(world) != InstallOutcome::Installed) return Violation(point, "the next run did not complete");
        for (const auto& [name, content] : kNew)
            if (world.fs->Content(kCoon + name) != content) Violation(point, "not new after the next run: " + Narrow(name));
        if (world.store.GetProductValue(L"version") != L"2.1") Violation(point, "no version recorded by the next run");
        if (world.fs->FileCount() != 3 * kNew.size() + (scenario_.earlier ? 1 : 0))
            Violation(point, "a temporary left after the next run");
    }

    int violations = 0;

private:
    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
    void Violation(const std::string& point, const std::string& what) {
        if (++violations <= 20) ADD_FAILURE() << scenario_.name << ", " << point << ": " << what;
    }
    const Scenario& scenario_;
};

const char* Name(Fault fault) {
    static const char* const kNames[] = {"access denied", "sharing violation", "disk full",
                                         "path not found", "medium gone", "name taken"};
    return kNames[static_cast<int>(fault)];
}

TEST(InstallModel, EveryChangeKilledCutOffOrFailedKeepsThePromisesAndTheNextRunCompletes) {
    const Scenario scenarios[] = {{"over an earlier installation", true, true},
                                  {"over an earlier installation, no volume to flush", true, false},
                                  {"fresh", false, true},
                                  {"fresh, no volume to flush", false, false}};
    int kills = 0, cuts = 0, faults = 0, violations = 0;
    std::set<Fault> kinds;
    for (const Scenario& scenario : scenarios) {
        Checks checks(scenario);
        // Each change the whole installation makes, and how the platform could fail it.
        std::vector<std::vector<Fault>> changes;
        {
            World dry = Make(scenario);
            dry.fs->Watch({[&](std::size_t, std::span<const Fault> possible) {
                               changes.emplace_back(possible.begin(), possible.end());
                               return std::optional<Fault>();
                           },
                           {}});
            ASSERT_EQ(Install(dry), InstallOutcome::Installed) << scenario.name;
            checks.Left(dry, "the whole installation");
        }
        for (std::size_t k = 1; k <= changes.size(); ++k) {
            for (const bool powerCut : {false, true}) {
                const std::string point = (powerCut ? "power cut after change " : "killed after change ") + std::to_string(k);
                World world = Make(scenario);
                std::optional<World> left;
                world.fs->Watch({{}, [&](std::size_t change) {
                                     if (change == k && !left) left.emplace(Restart(world, powerCut));
                                 }});
                Install(world);
                if (!left) {
                    ADD_FAILURE() << scenario.name << ", " << point << ": never reached";
                    continue;
                }
                checks.Left(*left, point);
                checks.Completes(*left, point);
                ++(powerCut ? cuts : kills);
            }
            for (const Fault fault : changes[k - 1]) {
                const std::string point = std::string(Name(fault)) + " at change " + std::to_string(k);
                World world = Make(scenario);
                world.fs->Watch({[&](std::size_t change, std::span<const Fault>) {
                                     return change == k ? std::optional(fault) : std::nullopt;
                                 },
                                 {}});
                const InstallOutcome outcome = Install(world);
                checks.Left(world, point);
                world.fs->Watch({});
                // "失败!", then Install again.
                if (outcome != InstallOutcome::Installed) checks.Completes(world, point);
                ++faults;
                kinds.insert(fault);
            }
        }
        violations += checks.violations;
    }
    std::cout << "install model: " << kills << " kill points, " << cuts << " power-cut points, " << faults
              << " fault points (" << kinds.size() << " kinds), " << violations << " violations" << std::endl;
    EXPECT_EQ(violations, 0);
    EXPECT_GE(kills, 100);
    EXPECT_GE(cuts, 100);
    EXPECT_GE(faults, 300);
    EXPECT_GE(kinds.size(), 5u);
}

}  // namespace
}  // namespace setup::test
