// Files copied side by side: what a stop, a failure and a retry do while other files are in
// flight, and that the number of workers changes nothing but the speed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include "copier/memory_file_system.hpp"
#include "copier/recording_progress.hpp"
#include "copier/file_workers.hpp"
#include "copier/tree_copier.hpp"

namespace setup::test {
namespace {

const std::wstring kSource = L"C:\\src\\";
const std::wstring kDestination = L"C:\\dst\\";

// 24 files, f0 to f23, in list order across three folders.
void AddFiles(MemoryFileSystem& fs) {
    for (int i = 0; i < 24; ++i)
        fs.AddFile(kSource + L"d" + std::to_wstring(i / 8) + L"\\f" + std::to_wstring(i), std::to_string(i));
}
std::wstring Target(int i) { return kDestination + L"d" + std::to_wstring(i / 8) + L"\\f" + std::to_wstring(i); }
std::wstring Source(int i) { return kSource + L"d" + std::to_wstring(i / 8) + L"\\f" + std::to_wstring(i); }
int Index(const std::wstring& path) { return std::stoi(path.substr(path.rfind(L'f') + 1)); }
// Holds a copy hook until done says so, or at most ten seconds.
void HoldUntil(const std::function<bool()>& done) {
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         !done() && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

int CopiedFiles(const MemoryFileSystem& fs) {
    int copied = 0;
    for (int i = 0; i < 24; ++i) copied += fs.IsFile(Target(i)) ? 1 : 0;
    return copied;
}

TEST(SideBySide, AStopCancelsTheFilesInFlightWhileTheWindowGoesOnAndTakesNoOther) {
    MemoryFileSystem fs;
    AddFiles(fs);
    std::atomic<int> inFlight = 0;
    fs.SetCopyHook([&](const std::wstring&, CopyPacing& pacing) {
        ++inFlight;
        return StallUntilHalted(pacing);
    });
    RecordingProgress progress;
    int yieldsWhileStalled = 0;
    // Every worker holds a stalled file, and the window still gets its turns.
    progress.onYield = [&](int) {
        if (inFlight == 2 && ++yieldsWhileStalled == 3) progress.stop = true;
    };
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 2), CopyOutcome::Stopped);
    EXPECT_EQ(fs.CallCount(Op::Copy), 2u);
    EXPECT_EQ(CopiedFiles(fs), 0) << "a cancelled file leaves nothing";
    EXPECT_EQ(progress.finished, 0);
    EXPECT_EQ(progress.offThread, 0);
}

TEST(SideBySide, AFailureLetsNoWorkerTakeAnotherFileAndTheFilesInFlightFinish) {
    MemoryFileSystem fs;
    AddFiles(fs);
    fs.FailOn(Op::Copy, Source(1));
    // The first file is held until the copy is to end, then finishes: a file in flight when
    // another fails may still be copied.
    fs.SetCopyHook([&](const std::wstring& from, CopyPacing& pacing) -> std::optional<CopyOutcome> {
        if (Index(from) == 0 && !AwaitHalt(pacing)) return CopyOutcome::Failed;
        return std::nullopt;
    });
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 2), CopyOutcome::Failed);
    EXPECT_EQ(fs.CallCount(Op::Copy), 2u);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(fs.IsFile(Target(i)), i == 0) << i;
    EXPECT_EQ(progress.finished, 1);
    EXPECT_EQ(progress.offThread, 0);
}

// A file goes straight to its name where nothing stood there, and beside it, to be renamed
// over the old one, where something did. Over an earlier installation each installed file is
// then the old one or the new one, whole, whatever ends the copy while files are in flight; in
// a fresh one a file in flight leaves nothing: a cancelled copy deletes what it wrote, as on
// Windows.
TEST(SideBySide, AStopOrAFailureInFlightLeavesEveryOldFileWholeAndNoNewOnePartWritten) {
    for (const bool earlier : {true, false}) {
        for (const bool stop : {true, false}) {
            SCOPED_TRACE(std::string(earlier ? "over an earlier installation, " : "fresh, ") +
                         (stop ? "stopped" : "failed"));
            MemoryFileSystem fs;
            AddFiles(fs);
            if (earlier)
                for (int i = 0; i < 24; ++i) fs.AddFile(Target(i), "old", i == 4 ? attr::kReadOnly : 0);
            if (!stop) fs.FailOn(Op::Copy, Source(5));
            std::atomic<int> stalled = 0;
            fs.SetCopyHook([&](const std::wstring& from, CopyPacing& pacing) -> std::optional<CopyOutcome> {
                if (Index(from) < 4) return std::nullopt;
                ++stalled;
                return StallUntilHalted(pacing);
            });
            RecordingProgress progress;
            progress.onYield = [&](int) { progress.stop = progress.stop || (stop && stalled == 2); };
            EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 2),
                      stop ? CopyOutcome::Stopped : CopyOutcome::Failed);
            for (int i = 0; i < 24; ++i) {
                const std::optional<std::string> left = i < 4 ? std::optional(std::to_string(i))
                                                        : earlier ? std::optional<std::string>("old")
                                                                  : std::nullopt;
                EXPECT_EQ(fs.Content(Target(i)), left) << i;
            }
            EXPECT_EQ(fs.FileCount(), earlier ? 48u : 28u) << "no temporary is left";
            for (const auto& [op, path] : fs.Calls()) {
                if (op != Op::Copy) continue;
                EXPECT_EQ(path.find(L'$') != std::wstring::npos, earlier) << "written to " << path;
            }
        }
    }
}

// "Report for 2020.doc" and a file of the medium named as its short alias, side by side into a
// folder that exists but can't be listed, where files go beside their names: the alias's file
// found the name free, then the other took it.
TEST(SideBySide, AFileNamedAsAnotherOnesAliasNeverReplacesIt) {
    MemoryFileSystem fs;
    const std::wstring report = L"Report for 2020.doc";
    const std::wstring alias = L"REPO~QPI.DOC";
    fs.AddFile(kSource + report, "report");
    fs.AddFile(kSource + alias, "alias");
    fs.AddFolder(L"C:\\dst");
    fs.FailOn(Op::List, kDestination);
    fs.SetShortName(kDestination + report, alias);
    std::atomic<bool> aliasChecked = false;
    fs.SetCopyHook([&](const std::wstring& from, CopyPacing&) -> std::optional<CopyOutcome> {
        if (from == kSource + report) HoldUntil([&] { return aliasChecked.load(); });
        if (from == kSource + alias) {
            aliasChecked = true;
            HoldUntil([&] { return fs.IsFile(kDestination + report); });
        }
        return std::nullopt;
    });
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 2), CopyOutcome::Failed);
    EXPECT_EQ(fs.Content(kDestination + report), "report");
    EXPECT_EQ(progress.finished, 1);
}

// The system can fail to start a thread, with std::system_error or std::bad_alloc: the copy
// goes on with the workers that started, or fails cleanly with none.
std::atomic<int> startsLeft = 0;
std::thread StartSome(std::function<void()> work) {
    if (startsLeft-- <= 0) throw std::bad_alloc();
    return std::thread(std::move(work));
}

TEST(SideBySide, WorkersThatCannotStartAreDoneWithout) {
    for (const int started : {0, 1, 3}) {
        SCOPED_TRACE(started);
        startsLeft = started;
        std::atomic<int> copied = 0;
        FileWorkers crew(24, 8, [&](std::size_t, CopyPacing&) {
            ++copied;
            return CopyOutcome::Copied;
        }, StartSome);
        const FileWorkers::Progress end = crew.Wait(std::chrono::seconds(10));
        EXPECT_TRUE(end.finished);
        EXPECT_EQ(end.outcome, started == 0 ? CopyOutcome::Failed : CopyOutcome::Copied);
        EXPECT_EQ(copied, started == 0 ? 0 : 24);
    }
}

// How many files are in a copy hook at once, and the most there were.
struct InFlight {
    std::atomic<int> now = 0;
    std::atomic<int> most = 0;
    void Enter() {
        const int n = ++now;
        for (int m = most; n > m && !most.compare_exchange_weak(m, n);) {
        }
    }
    void Leave() { --now; }
};

// A disc, a spinning disk: read one file after the other, however many workers there are.
TEST(SideBySide, ASourceThatSeeksNeverHasTwoFilesInFlight) {
    MemoryFileSystem fs;
    for (int i = 0; i < 200; ++i) fs.AddFile(kSource + L"s" + std::to_wstring(i), "s");
    fs.SetSeeking(L"C:\\src");
    InFlight inFlight;
    fs.SetCopyHook([&](const std::wstring&, CopyPacing&) -> std::optional<CopyOutcome> {
        inFlight.Enter();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        inFlight.Leave();
        return std::nullopt;
    });
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 8), CopyOutcome::Copied);
    EXPECT_EQ(inFlight.most, 1);
}

// While the first worker holds a long file, the others judge how many copy as they go, and let
// more copy where that pays (short files that wait, as under a scanner). When all the files let
// copy stall, as on a share that stopped answering, more are let copy after a while.
TEST(SideBySide, LongOrStalledFilesDoNotKeepTheOthersFromBeingLetCopy) {
    for (const int held : {1, 2}) {
        SCOPED_TRACE(held);
        MemoryFileSystem fs;
        for (int i = 0; i < 600; ++i) fs.AddFile(kSource + L"f" + std::to_wstring(i), "f");
        InFlight inFlight;
        std::atomic<int> shortOnes = 0;
        std::atomic<int> mostWhileHeld = 8;
        fs.SetCopyHook([&](const std::wstring& from, CopyPacing& pacing) -> std::optional<CopyOutcome> {
            inFlight.Enter();
            if (Index(from) < held) {
                HoldUntil([&] { return shortOnes >= 300; });
                mostWhileHeld = std::min(mostWhileHeld.load(), inFlight.most.load());
            } else {
                pacing.Pause(std::chrono::milliseconds(2));
                ++shortOnes;
            }
            inFlight.Leave();
            return std::nullopt;
        });
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 8), CopyOutcome::Copied);
        EXPECT_GE(mostWhileHeld, 3);
    }
}

// The wait before another try of a held file is its worker's: the window isn't touched from
// there, goes on meanwhile, and a stop ends the wait.
TEST(SideBySide, ARetryWaitsInItsWorkerAndAStopEndsTheWait) {
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "released");
        MemoryFileSystem fs;
        AddFiles(fs);
        std::atomic<bool> waiting = false;
        std::atomic<bool> waited = false;
        fs.SetCopyHook([&](const std::wstring& from, CopyPacing& pacing) -> std::optional<CopyOutcome> {
            if (Index(from) != 5) return std::nullopt;
            waiting = true;
            // Unstopped, a short wait; stopped, a long one that the stop must cut short.
            const auto start = std::chrono::steady_clock::now();
            waited = pacing.Pause(stop ? std::chrono::seconds(20) : std::chrono::milliseconds(20));
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
            waiting = false;
            return waited ? std::nullopt : std::optional(CopyOutcome::Stopped);
        });
        RecordingProgress progress;
        int yieldsWhileWaiting = 0;
        progress.onYield = [&](int) {
            if (waiting && ++yieldsWhileWaiting == 3 && stop) progress.stop = true;
        };
        EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, 2), stop ? CopyOutcome::Stopped : CopyOutcome::Copied);
        EXPECT_EQ(waited, !stop);
        EXPECT_EQ(fs.IsFile(Target(5)), !stop);
        EXPECT_EQ(progress.offThread, 0);
    }
}

TEST(SideBySide, TheResultIsTheSameWhateverTheNumberOfWorkers) {
    for (const int workers : {1, 2, 3, 8, 64}) {
        SCOPED_TRACE(workers);
        MemoryFileSystem fs;
        AddFiles(fs);
        fs.AddFile(Target(7), "old", attr::kReadOnly | attr::kHidden);
        fs.SetDisc(L"C:\\src");
        RecordingProgress progress;
        EXPECT_EQ(CopyFolder(fs, progress, kSource, kDestination, workers), CopyOutcome::Copied);
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(fs.Content(Target(i)), std::to_string(i));
            EXPECT_EQ(fs.AttributesOf(Target(i)), 0u);
        }
        EXPECT_EQ(fs.CallCount(Op::Copy), 24u);
        ASSERT_EQ(progress.values.size(), 24u);
        for (int i = 0; i < 24; ++i) EXPECT_EQ(progress.values[static_cast<std::size_t>(i)], i + 1);
        EXPECT_EQ(progress.finished, 24);
        EXPECT_EQ(progress.offThread, 0);

        MemoryFileSystem failing;
        AddFiles(failing);
        failing.FailOn(Op::Copy, Source(10));
        RecordingProgress failed;
        EXPECT_EQ(CopyFolder(failing, failed, kSource, kDestination, workers), CopyOutcome::Failed);
        EXPECT_FALSE(failing.IsFile(Target(10)));
        EXPECT_EQ(failed.finished, CopiedFiles(failing)) << "the bar counts what was copied";
    }
    // Files slow enough for more of the workers to be let copy as the copy goes.
    MemoryFileSystem slow;
    for (int i = 0; i < 300; ++i) slow.AddFile(kSource + L"s" + std::to_wstring(i), "s");
    slow.SetCopyHook([](const std::wstring&, CopyPacing& pacing) {
        return pacing.Pause(std::chrono::milliseconds(2)) ? std::nullopt : std::optional(CopyOutcome::Stopped);
    });
    RecordingProgress progress;
    EXPECT_EQ(CopyFolder(slow, progress, kSource, kDestination, 8), CopyOutcome::Copied);
    EXPECT_EQ(slow.FileCount(), 600u);
    EXPECT_EQ(progress.finished, 300);
}

}  // namespace
}  // namespace setup::test
