#include "copier/tree_copier.hpp"

#include <climits>
#include <new>
#include <optional>
#include <vector>

#include "copier/destination_survey.hpp"
#include "copier/file_placement.hpp"
#include "copier/folder_holds.hpp"
#include "copier/file_workers.hpp"
#include "copier/space_need.hpp"

namespace setup {
namespace {

// While the workers copy, the window's thread looks at them once a frame, and answers its
// window as messages come in between: a file that takes long holds no one but its worker.
constexpr std::chrono::milliseconds kLookAtWorkers{16};

// A copy runs on the window's thread and yields to it; a second copy entered from a yield
// would share the first one's bar and files.
thread_local bool copyRunning = false;

class RunningMark {
public:
    RunningMark() { copyRunning = true; }
    ~RunningMark() { copyRunning = false; }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;
};

// While it lives, the window's handlers reach the workers.
class LentCrew {
public:
    LentCrew(FilesInFlight* inFlight, FileWorkers& crew) : inFlight_(inFlight) {
        if (inFlight_) inFlight_->Lend(&crew);
    }
    ~LentCrew() {
        if (inFlight_) inFlight_->Lend(nullptr);
    }
    LentCrew(const LentCrew&) = delete;
    LentCrew& operator=(const LentCrew&) = delete;

private:
    FilesInFlight* inFlight_;
};

CopyOutcome CopyTree(FileSystem& fs, CopyProgress& progress, const std::wstring& source,
                     const std::wstring& destination, int workers, FilesInFlight* inFlight, int& copied) {
    // A disc or a spinning disk read two files at once seeks between them at every chunk:
    // one after the other there, as Explorer copies from such media.
    if (fs.IncursSeekPenalty(source)) workers = 1;
    // The space is asked of the volume the destination will be made on, before anything is.
    const auto existing = NearestExistingFolder(fs, destination);
    const auto space = existing ? fs.Space(existing->path) : std::nullopt;
    std::optional<SpaceNeed> need;
    if (space) need.emplace(space->clusterBytes, static_cast<std::size_t>(workers < 1 ? 1 : workers));
    SpaceNeed* counted = need ? &*need : nullptr;

    // Each phase gives the window its turn every so much work of its own.
    FolderTree tree;
    DestinationSurvey survey;
    {
        Pacer pacer(&progress);
        if (const CopyOutcome step = ListTree(fs, source, tree, pacer, counted); step != CopyOutcome::Copied)
            return step;
    }
    if (tree.FileCount() > static_cast<std::size_t>(INT_MAX)) return CopyOutcome::Failed;
    const TemporaryNames temporaries(tree);
    {
        Pacer pacer(&progress);
        const auto attributes =
            existing && existing->path == destination ? std::optional(existing->attributes) : std::nullopt;
        const CopyOutcome step =
            SurveyDestination(fs, tree, temporaries, destination, attributes, survey, counted, pacer);
        if (step != CopyOutcome::Copied) return step;
    }
    if (need && !need->FitsIn(space->freeBytes)) return CopyOutcome::Failed;
    FolderHolds holds(fs, tree);
    {
        Pacer pacer(&progress);
        const CopyOutcome step = BuildFolders(fs, tree, holds, destination, survey, pacer);
        if (step != CopyOutcome::Copied) return step;
    }
    const bool fromDisc = fs.OnDisc(source);
    // Nothing may be recorded before every file is on the disk itself: the volume is flushed
    // once at the end where it can be opened, else each file on its own.
    const std::unique_ptr<HeldVolume> volume = fs.HoldVolume(destination);

    const std::size_t count = tree.FileCount();
    progress.SetRange(static_cast<int>(count));
    if (count == 0) return CopyOutcome::Copied;
    // On a worker: the tree and the survey are only read from here on.
    auto copyFile = [&](std::size_t index, CopyPacing& pacing) {
        const std::uint32_t parent = tree.fileParents[index];
        const std::wstring temporary = temporaries.For(tree, index);
        const std::shared_ptr<HeldFolder> folder = holds.Get(parent);
        if (temporary.empty() || !folder) return CopyOutcome::Failed;
        FileToPlace file{{}, {}, tree.fileNames[index], temporary, survey.seen[index], fromDisc, !volume};
        FolderPrefix(tree, parent, source, file.from);
        FolderPrefix(tree, parent, destination, file.to);
        file.from += file.name;
        file.to += file.name;
        return PlaceFile(fs, *folder, file, pacing);
    };
    FileWorkers crew(count, workers, copyFile);
    const LentCrew lent(inFlight, crew);
    std::size_t shown = 0;
    for (;;) {
        if (progress.StopRequested()) crew.Halt(CopyOutcome::Stopped);
        const FileWorkers::Progress now = crew.Look();
        // The bar moves, and the window gets its turn, once for each file copied.
        while (shown < now.done) {
            copied = static_cast<int>(++shown);
            progress.SetValue(copied);
            progress.YieldToWindow();
        }
        if (now.finished) {
            if (now.outcome == CopyOutcome::Copied && volume && !volume->Flush()) return CopyOutcome::Failed;
            return now.outcome;
        }
        progress.WaitWithWindow(kLookAtWorkers);
    }
}

}  // namespace

bool FilesInFlight::HaltAndWait(std::chrono::milliseconds most) {
    if (!crew_) return true;
    crew_->Halt(CopyOutcome::Stopped);
    return crew_->Wait(most).finished;
}

CopyOutcome CopyFolder(FileSystem& fs, CopyProgress& progress, std::wstring source, std::wstring destination,
                       int workers, FilesInFlight* inFlight) {
    if (copyRunning) return CopyOutcome::Failed;
    RunningMark running;
    int copied = 0;
    CopyOutcome outcome = CopyOutcome::Failed;
    try {
        EnsureTrailingSeparator(source);
        EnsureTrailingSeparator(destination);
        source = fs.Root(source);
        destination = fs.Root(destination);
        outcome = CopyTree(fs, progress, source, destination, workers, inFlight, copied);
    } catch (const std::bad_alloc&) {
        // A tree too large for memory is a failed copy like any other.
        outcome = CopyOutcome::Failed;
    }
    progress.Finish(copied);
    return outcome;
}

}  // namespace setup
