#include "wizard/tree_copier.hpp"

#include <algorithm>
#include <climits>
#include <limits>
#include <new>

namespace setup {
namespace {

constexpr wchar_t kSeparator = L'\\';
constexpr std::uint32_t kInTheWay = attr::kReadOnly | attr::kHidden | attr::kSystem;

void EnsureTrailingSeparator(std::wstring& path) {
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
}

bool Fits(std::size_t count) { return count < std::numeric_limits<std::uint32_t>::max(); }

// Listing and folder creation pause for the window now and then as the copy does once per
// file: a tree of 20,000 folders takes seconds to list and as long to build. A folder costs
// about as much as a hundred listed names, and a yield far less than either.
constexpr std::size_t kFolderWork = 128;
constexpr std::size_t kWorkPerYield = 1024;

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

// Collects one folder's entries, skipping "." and "..".
class ListingCollector final : public FolderVisitor {
public:
    ListingCollector(FolderTree& tree, std::uint32_t parent, Pacer& pacer)
        : tree_(tree), parent_(parent), pacer_(pacer) {}

    void Entry(std::wstring_view name, bool isFolder) override {
        if (outcome_ != CopyOutcome::Copied || name == L"." || name == L"..") return;
        NameList& names = isFolder ? tree_.folderNames : tree_.fileNames;
        std::vector<std::uint32_t>& parents = isFolder ? tree_.folderParents : tree_.fileParents;
        if (!Fits(names.Count() + 1) || !names.Append(name)) {
            outcome_ = CopyOutcome::Failed;
            return;
        }
        parents.push_back(parent_);
        if (!pacer_.Step(1)) outcome_ = CopyOutcome::Stopped;
    }
    CopyOutcome outcome() const { return outcome_; }

private:
    FolderTree& tree_;
    std::uint32_t parent_;
    Pacer& pacer_;
    CopyOutcome outcome_ = CopyOutcome::Copied;
};

// Inside one long file the window gets its turn too, and a stop ends the file at once.
class ProgressPacing final : public CopyPacing {
public:
    explicit ProgressPacing(CopyProgress& progress) : progress_(progress) {}
    bool YieldToWindow() override {
        progress_.YieldToWindow();
        return !progress_.StopRequested();
    }

private:
    CopyProgress& progress_;
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

// Makes sure every folder of the tree exists below destination. fresh[p] tells whether the
// folder with parent number p (0 = destination) was created here and so starts empty.
CopyOutcome BuildFolders(FileSystem& fs, const FolderTree& tree, const std::wstring& destination,
                         std::vector<bool>& fresh, Pacer& pacer) {
    fresh.assign(tree.FolderCount() + 1, false);
    if (!FolderExist(fs, destination)) {
        if (!fs.CreateFolder(destination)) return CopyOutcome::Failed;
        fresh[0] = true;
    }
    std::wstring path;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i) {
        if (!pacer.Step(kFolderWork)) return CopyOutcome::Stopped;
        path = destination;
        tree.AppendFolderPath(i, path);
        // Below a folder created just now nothing can exist yet: no need to ask.
        if (fresh[tree.folderParents[i]] || !FolderExist(fs, path)) {
            if (!fs.CreateFolder(path)) return CopyOutcome::Failed;
            fresh[i + 1] = true;
        }
    }
    return CopyOutcome::Copied;
}

// Lists the tree below root (with its final separator) in the copier's order: a listing never
// nests inside another; each folder is listed to its end, then its subfolders (a range of the
// folder list) are entered one after the other, depth first.
CopyOutcome ListTree(FileSystem& fs, const std::wstring& base, FolderTree& tree, Pacer& pacer) {
    tree = FolderTree{};
    struct Pending {
        std::size_t next;
        std::size_t end;
    };
    std::vector<Pending> pending;
    auto list = [&](const std::wstring& folder, std::uint32_t parent) {
        const std::size_t begin = tree.FolderCount();
        ListingCollector collector(tree, parent, pacer);
        if (!fs.ListFolder(folder, collector)) return CopyOutcome::Failed;
        if (collector.outcome() != CopyOutcome::Copied) return collector.outcome();
        pending.push_back({begin, tree.FolderCount()});
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

// An existing destination file is replaced whatever its attributes; Windows refuses to
// overwrite a read-only one, or a hidden or system one from a source without them.
bool MakeReplaceable(FileSystem& fs, const std::wstring& path) {
    const auto attributes = fs.Attributes(path);
    if (!attributes || (*attributes & attr::kDirectory) || !(*attributes & kInTheWay)) return true;
    return fs.ClearAttributes(path);
}

// root followed by the folder's relative path and a separator.
void FolderPrefix(const FolderTree& tree, std::uint32_t parent, const std::wstring& root, std::wstring& out) {
    out = root;
    if (parent == 0) return;
    tree.AppendFolderPath(parent - 1, out);
    out += kSeparator;
}

CopyOutcome CopyTree(FileSystem& fs, CopyProgress& progress, const std::wstring& source,
                     const std::wstring& destination, int& copied) {
    FolderTree tree;
    {
        Pacer pacer(&progress);
        if (const CopyOutcome step = ListTree(fs, source, tree, pacer); step != CopyOutcome::Copied) return step;
    }
    if (tree.FileCount() > static_cast<std::size_t>(INT_MAX)) return CopyOutcome::Failed;

    std::vector<bool> fresh;
    {
        Pacer pacer(&progress);
        if (const CopyOutcome step = BuildFolders(fs, tree, destination, fresh, pacer); step != CopyOutcome::Copied)
            return step;
    }

    const int count = static_cast<int>(tree.FileCount());
    progress.SetRange(count);
    ProgressPacing pacing(progress);
    std::wstring from;
    std::wstring to;
    std::size_t fromFolder = 0;
    std::size_t toFolder = 0;
    std::uint32_t folder = std::numeric_limits<std::uint32_t>::max();
    for (int i = 0; i < count; ++i) {
        if (!pacing.YieldToWindow()) return CopyOutcome::Stopped;
        const auto index = static_cast<std::size_t>(i);
        // A folder's files follow one another: its paths are built once for all of them.
        if (tree.fileParents[index] != folder) {
            folder = tree.fileParents[index];
            FolderPrefix(tree, folder, source, from);
            FolderPrefix(tree, folder, destination, to);
            fromFolder = from.size();
            toFolder = to.size();
        }
        from.resize(fromFolder);
        from += tree.fileNames[index];
        to.resize(toFolder);
        to += tree.fileNames[index];
        if (!fresh[folder] && !MakeReplaceable(fs, to)) return CopyOutcome::Failed;
        // In a folder this copy created, a taken name can only be an earlier file of the tree
        // under another spelling (letter case, a short name): failing beats losing one of them.
        if (const CopyOutcome file = fs.Copy(from, to, !fresh[folder], pacing); file != CopyOutcome::Copied)
            return file;
        copied = i + 1;
        progress.SetValue(copied);
    }
    return CopyOutcome::Copied;
}

}  // namespace

bool NameList::Append(std::wstring_view name) {
    const std::size_t end = text_.size() + name.size();
    if (!Fits(end)) return false;
    text_ += name;
    ends_.push_back(static_cast<std::uint32_t>(end));
    return true;
}

std::wstring_view NameList::operator[](std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::wstring_view(text_).substr(begin, ends_[index] - begin);
}

std::size_t NameList::Bytes() const {
    return text_.capacity() * sizeof(wchar_t) + ends_.capacity() * sizeof(std::uint32_t);
}

void FolderTree::AppendFolderPath(std::size_t index, std::wstring& out) const {
    // CopyOutcome up to the root, then write the names from the top down.
    std::size_t length = folderNames[index].size();
    for (std::uint32_t p = folderParents[index]; p != 0; p = folderParents[p - 1])
        length += folderNames[p - 1].size() + 1;
    const std::size_t start = out.size();
    out.resize(start + length);
    std::size_t end = out.size();
    for (std::size_t i = index + 1; i != 0; i = folderParents[i - 1]) {
        const std::wstring_view name = folderNames[i - 1];
        end -= name.size();
        std::copy(name.begin(), name.end(), out.begin() + static_cast<std::ptrdiff_t>(end));
        if (end != start) out[--end] = kSeparator;
    }
}

void FolderTree::AppendFilePath(std::size_t index, std::wstring& out) const {
    if (const std::uint32_t parent = fileParents[index]; parent != 0) {
        AppendFolderPath(parent - 1, out);
        out += kSeparator;
    }
    out += fileNames[index];
}

std::wstring FolderTree::FolderPath(std::size_t index) const {
    std::wstring path;
    AppendFolderPath(index, path);
    return path;
}

std::wstring FolderTree::FilePath(std::size_t index) const {
    std::wstring path;
    AppendFilePath(index, path);
    return path;
}

std::size_t FolderTree::Bytes() const {
    return folderNames.Bytes() + fileNames.Bytes() +
           (folderParents.capacity() + fileParents.capacity()) * sizeof(std::uint32_t);
}

bool FindFiles(FileSystem& fs, std::wstring_view root, FolderTree& tree) {
    std::wstring base(root);
    EnsureTrailingSeparator(base);
    Pacer unpaced(nullptr);
    return ListTree(fs, base, tree, unpaced) == CopyOutcome::Copied;
}

bool FolderExist(FileSystem& fs, const std::wstring& name) {
    const auto attributes = fs.Attributes(name);
    return attributes && (*attributes & attr::kDirectory);
}

CopyOutcome CopyFolder(FileSystem& fs, CopyProgress& progress, std::wstring source, std::wstring destination) {
    if (copyRunning) return CopyOutcome::Failed;
    RunningMark running;
    int copied = 0;
    CopyOutcome outcome = CopyOutcome::Failed;
    try {
        EnsureTrailingSeparator(source);
        EnsureTrailingSeparator(destination);
        source = fs.Root(source);
        destination = fs.Root(destination);
        outcome = CopyTree(fs, progress, source, destination, copied);
    } catch (const std::bad_alloc&) {
        // A tree too large for memory is a failed copy like any other.
        outcome = CopyOutcome::Failed;
    }
    progress.Finish(copied);
    return outcome;
}

}  // namespace setup
