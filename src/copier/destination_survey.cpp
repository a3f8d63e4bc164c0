#include "copier/destination_survey.hpp"

#include <algorithm>

#include "copier/space_need.hpp"

namespace setup {
namespace {

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

}  // namespace

bool FolderExist(FileSystem& fs, const std::wstring& name) {
    const auto attributes = fs.Attributes(name);
    return attributes && (*attributes & attr::kDirectory);
}

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

}  // namespace setup
