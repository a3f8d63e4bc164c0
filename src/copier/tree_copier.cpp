#include "copier/tree_copier.hpp"

#include <algorithm>
#include <climits>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include "copier/file_placement.hpp"
#include "copier/file_workers.hpp"
#include "copier/space_need.hpp"

namespace setup {
namespace {

constexpr wchar_t kSeparator = L'\\';

void EnsureTrailingSeparator(std::wstring& path) {
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
}

bool Fits(std::size_t count) { return count < std::numeric_limits<std::uint32_t>::max(); }

// Listing and folder creation pause for the window now and then as the copy does once per
// file: a tree of 20,000 folders takes seconds to list and as long to build. A folder costs
// about as much as a hundred listed names, and a yield far less than either.
constexpr std::size_t kFolderWork = 128;
constexpr std::size_t kWorkPerYield = 1024;

// While the workers copy, the window's thread looks at them once a frame, and answers its
// window as messages come in between: a file that takes long holds no one but its worker.
constexpr std::chrono::milliseconds kLookAtWorkers{16};

class Pacer {
public:
    explicit Pacer(CopyProgress* progress) : progress_(progress) {}
    // Counts work done; yields once enough has gathered. False when the window asks to stop.
    bool Step(std::size_t work) {
        if (!progress_) return true;
        done_ += work;
        if (done_ < kWorkPerYield) return true;
        done_ = 0;
        progress_->YieldToWindow();
        return !progress_->StopRequested();
    }

private:
    CopyProgress* progress_;
    std::size_t done_ = 0;
};

// Collects one folder's entries, skipping "." and ".."; counts what its files will take.
class ListingCollector final : public FolderVisitor {
public:
    ListingCollector(FolderTree& tree, std::uint32_t parent, Pacer& pacer, SpaceNeed* need)
        : tree_(tree), parent_(parent), pacer_(pacer), need_(need) {}

    void Entry(std::wstring_view name, std::uint32_t attributes, std::uint64_t size) override {
        if (outcome_ != CopyOutcome::Copied || name == L"." || name == L"..") return;
        const bool isFolder = (attributes & attr::kDirectory) != 0;
        NameList& names = isFolder ? tree_.folderNames : tree_.fileNames;
        std::vector<std::uint32_t>& parents = isFolder ? tree_.folderParents : tree_.fileParents;
        if (!Fits(names.Count() + 1) || !names.Append(name)) {
            outcome_ = CopyOutcome::Failed;
            return;
        }
        parents.push_back(parent_);
        if (!isFolder && need_) need_->Write(size);
        if (!pacer_.Step(1)) outcome_ = CopyOutcome::Stopped;
    }
    CopyOutcome outcome() const { return outcome_; }

private:
    FolderTree& tree_;
    std::uint32_t parent_;
    Pacer& pacer_;
    SpaceNeed* need_;
    CopyOutcome outcome_ = CopyOutcome::Copied;
};

// The files of a destination folder, and the temporaries among them.
class PresentFiles final : public FolderVisitor {
public:
    struct File {
        std::wstring name;
        std::uint64_t size;
        std::uint32_t attributes;
    };
    void Entry(std::wstring_view name, std::uint32_t attributes, std::uint64_t size) override {
        if (attributes & attr::kDirectory) return;
        files.push_back({std::wstring(name), size, attributes});
        if (TemporaryNames::HasTheShape(name)) temporaries.emplace_back(name);
    }
    std::vector<File> files;
    std::vector<std::wstring> temporaries;
};

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

// Two entries of one folder that the file system takes for one name (Readme.txt and
// README.TXT from a medium made elsewhere) would land on one file: whichever came second
// would silently replace the first.
bool NamesAreDistinct(FileSystem& fs, const FolderTree& tree, std::size_t foldersFrom, std::size_t filesFrom,
                      std::vector<std::wstring_view>& names) {
    names.clear();
    for (std::size_t i = foldersFrom; i < tree.FolderCount(); ++i) names.push_back(tree.folderNames[i]);
    for (std::size_t i = filesFrom; i < tree.FileCount(); ++i) names.push_back(tree.fileNames[i]);
    if (names.size() < 2) return true;
    std::sort(names.begin(), names.end(),
              [&](std::wstring_view a, std::wstring_view b) { return fs.CompareNames(a, b) < 0; });
    for (std::size_t i = 1; i < names.size(); ++i)
        if (fs.CompareNames(names[i - 1], names[i]) == 0) return false;
    return true;
}

// Lists the tree below root (with its final separator) in the copier's order: a listing never
// nests inside another; each folder is listed to its end, then its subfolders (a range of the
// folder list) are entered one after the other, depth first.
CopyOutcome ListTree(FileSystem& fs, const std::wstring& base, FolderTree& tree, Pacer& pacer, SpaceNeed* need) {
    tree = FolderTree{};
    struct Pending {
        std::size_t next;
        std::size_t end;
    };
    std::vector<Pending> pending;
    std::vector<std::wstring_view> names;
    auto list = [&](const std::wstring& folder, std::uint32_t parent) {
        const std::size_t folders = tree.FolderCount();
        const std::size_t files = tree.FileCount();
        ListingCollector collector(tree, parent, pacer, need);
        if (!fs.ListFolder(folder, collector)) return CopyOutcome::Failed;
        if (collector.outcome() != CopyOutcome::Copied) return collector.outcome();
        if (!NamesAreDistinct(fs, tree, folders, files, names)) return CopyOutcome::Failed;
        tree.filesFrom.resize(tree.FolderCount() + 1, 0);
        tree.filesTo.resize(tree.FolderCount() + 1, 0);
        tree.filesFrom[parent] = static_cast<std::uint32_t>(files);
        tree.filesTo[parent] = static_cast<std::uint32_t>(tree.FileCount());
        pending.push_back({folders, tree.FolderCount()});
        return pacer.Step(kFolderWork) ? CopyOutcome::Copied : CopyOutcome::Stopped;
    };
    if (const CopyOutcome step = list(base, 0); step != CopyOutcome::Copied) return step;

    std::wstring folder;
    while (!pending.empty()) {
        Pending& top = pending.back();
        if (top.next == top.end) {
            pending.pop_back();
            continue;
        }
        const std::size_t index = top.next++;  // before list() may move the stack
        folder = base;
        tree.AppendFolderPath(index, folder);
        folder += kSeparator;
        if (const CopyOutcome step = list(folder, static_cast<std::uint32_t>(index + 1)); step != CopyOutcome::Copied)
            return step;
    }
    return CopyOutcome::Copied;
}

// root followed by the folder's relative path and a separator.
void FolderPrefix(const FolderTree& tree, std::uint32_t parent, const std::wstring& root, std::wstring& out) {
    out = root;
    if (parent == 0) return;
    tree.AppendFolderPath(parent - 1, out);
    out += kSeparator;
}

// The folder itself or the closest of its parents that exists, with its final separator;
// nothing when none does.
std::optional<std::wstring> NearestExistingFolder(FileSystem& fs, std::wstring folder) {
    for (;;) {
        if (FolderExist(fs, folder)) return folder;
        while (!folder.empty() && folder.back() == kSeparator) folder.pop_back();
        const auto cut = folder.find_last_of(kSeparator);
        if (cut == std::wstring::npos || cut == 0) return std::nullopt;
        folder.resize(cut + 1);
        // "\\?\" and "\\" alone, before any drive or server, are no folders.
        if (folder.find_first_not_of(L"\\?.") == std::wstring::npos) return std::nullopt;
    }
}

// Which folders of the tree the destination already holds (exists[p], p numbered as parents
// are, 0 the destination itself), what stands under each file's name (seen[f]), and what the
// files the copy will replace take now. The temporaries a killed copy left there go: they are
// no one's files, and their names are the copy's own.
CopyOutcome SurveyDestination(FileSystem& fs, const FolderTree& tree, const TemporaryNames& temporaries,
                              const std::wstring& destination, bool destinationExists, std::vector<bool>& exists,
                              std::vector<Seen>& seen, SpaceNeed* need, Pacer& pacer) {
    exists.assign(tree.FolderCount() + 1, false);
    exists[0] = destinationExists;
    std::wstring path;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i) {
        // Below a folder the copy will create nothing can exist yet: no need to ask.
        if (!exists[tree.folderParents[i]]) continue;
        if (!pacer.Step(kFolderWork)) return CopyOutcome::Stopped;
        path = destination;
        tree.AppendFolderPath(i, path);
        exists[i + 1] = FolderExist(fs, path);
    }
    seen.assign(tree.FileCount(), Seen::Nothing);
    if (need)
        for (const bool present : exists)
            if (!present) need->MakeFolder();
    auto before = [&](const PresentFiles::File& a, std::wstring_view b) { return fs.CompareNames(a.name, b) < 0; };
    for (std::uint32_t p = 0; p < exists.size(); ++p) {
        if (!exists[p]) continue;
        if (!pacer.Step(kFolderWork)) return CopyOutcome::Stopped;
        FolderPrefix(tree, p, destination, path);
        PresentFiles present;
        // A folder that can't be listed frees nothing as far as the count goes; its files are
        // looked up one by one.
        if (!fs.ListFolder(path, present)) {
            std::fill(seen.begin() + tree.filesFrom[p], seen.begin() + tree.filesTo[p], Seen::Unknown);
            continue;
        }
        for (const std::wstring& name : present.temporaries)
            if (!temporaries.IsTreeName(p, name)) fs.Remove(path + name);
        auto& files = present.files;
        std::sort(files.begin(), files.end(),
                  [&](const auto& a, const auto& b) { return fs.CompareNames(a.name, b.name) < 0; });
        for (std::uint32_t f = tree.filesFrom[p]; f < tree.filesTo[p]; ++f) {
            const std::wstring_view name = tree.fileNames[f];
            const auto at = std::lower_bound(files.begin(), files.end(), name, before);
            if (at == files.end() || fs.CompareNames(at->name, name) != 0) continue;
            seen[f] = (at->attributes & kInTheWay) ? Seen::FileInTheWay : Seen::File;
            if (need) need->Replace(at->size);
        }
    }
    return CopyOutcome::Copied;
}

// Creates every folder of the tree the destination lacks, parents first.
CopyOutcome BuildFolders(FileSystem& fs, const FolderTree& tree, const std::wstring& destination,
                         const std::vector<bool>& exists, Pacer& pacer) {
    if (!exists[0] && !fs.CreateFolder(destination)) return CopyOutcome::Failed;
    std::wstring path;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i) {
        if (!pacer.Step(kFolderWork)) return CopyOutcome::Stopped;
        if (exists[i + 1]) continue;
        path = destination;
        tree.AppendFolderPath(i, path);
        if (!fs.CreateFolder(path)) return CopyOutcome::Failed;
    }
    return CopyOutcome::Copied;
}

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
    const auto space = existing ? fs.Space(*existing) : std::nullopt;
    std::optional<SpaceNeed> need;
    if (space) need.emplace(space->clusterBytes, static_cast<std::size_t>(workers < 1 ? 1 : workers));
    SpaceNeed* counted = need ? &*need : nullptr;

    // Each phase gives the window its turn every so much work of its own.
    FolderTree tree;
    std::vector<bool> exists;
    std::vector<Seen> seen;
    {
        Pacer pacer(&progress);
        if (const CopyOutcome step = ListTree(fs, source, tree, pacer, counted); step != CopyOutcome::Copied)
            return step;
    }
    if (tree.FileCount() > static_cast<std::size_t>(INT_MAX)) return CopyOutcome::Failed;
    const TemporaryNames temporaries(tree);
    {
        Pacer pacer(&progress);
        const CopyOutcome step = SurveyDestination(fs, tree, temporaries, destination, existing == destination,
                                                   exists, seen, counted, pacer);
        if (step != CopyOutcome::Copied) return step;
    }
    if (need && !need->FitsIn(space->freeBytes)) return CopyOutcome::Failed;
    {
        Pacer pacer(&progress);
        if (const CopyOutcome step = BuildFolders(fs, tree, destination, exists, pacer); step != CopyOutcome::Copied)
            return step;
    }
    const bool fromDisc = fs.OnDisc(source);

    const std::size_t count = tree.FileCount();
    progress.SetRange(static_cast<int>(count));
    if (count == 0) return CopyOutcome::Copied;
    // On a worker: the tree and the survey are only read from here on.
    auto copyFile = [&](std::size_t index, CopyPacing& pacing) {
        const std::uint32_t folder = tree.fileParents[index];
        const std::wstring temporary = temporaries.For(tree, index);
        if (temporary.empty()) return CopyOutcome::Failed;
        FileToPlace file{{}, {}, {}, tree.fileNames[index], seen[index], fromDisc};
        FolderPrefix(tree, folder, source, file.from);
        FolderPrefix(tree, folder, destination, file.to);
        file.temporary = file.to + temporary;
        file.from += file.name;
        file.to += file.name;
        return PlaceFile(fs, file, pacing);
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
        if (now.finished) return now.outcome;
        progress.WaitWithWindow(kLookAtWorkers);
    }
}

}  // namespace

bool FindFiles(FileSystem& fs, std::wstring_view root, FolderTree& tree) {
    std::wstring base(root);
    EnsureTrailingSeparator(base);
    Pacer unpaced(nullptr);
    return ListTree(fs, base, tree, unpaced, nullptr) == CopyOutcome::Copied;
}

bool FolderExist(FileSystem& fs, const std::wstring& name) {
    const auto attributes = fs.Attributes(name);
    return attributes && (*attributes & attr::kDirectory);
}

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
