#include "copier/tree_listing.hpp"

#include <algorithm>
#include <limits>
#include <vector>

#include "copier/space_need.hpp"

namespace setup {
namespace {

bool Fits(std::size_t count) { return count < std::numeric_limits<std::uint32_t>::max(); }

// Collects one folder's entries, skipping "." and ".."; counts what its files will take.
class ListingCollector final : public FolderVisitor {
public:
    ListingCollector(FolderTree& tree, std::uint32_t parent, Pacer& pacer, SpaceNeed* need)
        : tree_(tree), parent_(parent), pacer_(pacer), need_(need) {}

    void Entry(std::wstring_view name, std::uint32_t attributes, std::uint64_t size) override {
        if (outcome_ != CopyOutcome::Copied || name == L"." || name == L"..") return;
        // Copied past a link, the tree would not be the one the medium holds: a loop, a folder
        // outside the medium, one file twice.
        if (attributes & attr::kLink) {
            outcome_ = CopyOutcome::Failed;
            return;
        }
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

}  // namespace

// A listing never nests inside another; each folder is listed to its end, then its subfolders
// (a range of the folder list) are entered one after the other, depth first.
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

bool FindFiles(FileSystem& fs, std::wstring_view root, FolderTree& tree) {
    std::wstring base(root);
    EnsureTrailingSeparator(base);
    Pacer unpaced(nullptr);
    return ListTree(fs, base, tree, unpaced, nullptr) == CopyOutcome::Copied;
}

}  // namespace setup
