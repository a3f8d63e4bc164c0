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
        const bool shaped = TemporaryNames::HasTheShape(name);
        if (shaped) temporaries.push_back({std::wstring(name), attributes});
        // A link to a folder is a folder where a file goes: the copy fails there as at a folder.
        if (attributes & attr::kDirectory) return;
        files.push_back({std::wstring(name), size, attributes});
    }
    std::vector<File> files;
    std::vector<std::pair<std::wstring, std::uint32_t>> temporaries;
};

}  // namespace

std::optional<ExistingFolder> NearestExistingFolder(FileSystem& fs, std::wstring folder) {
    for (;;) {
        if (const auto attributes = fs.Attributes(folder); attributes && (*attributes & attr::kDirectory))
            return ExistingFolder{folder, *attributes};
        while (!folder.empty() && folder.back() == kSeparator) folder.pop_back();
        const auto cut = folder.find_last_of(kSeparator);
        if (cut == std::wstring::npos || cut == 0) return std::nullopt;
        folder.resize(cut + 1);
        // "\\?\" and "\\" alone, before any drive or server, are no folders.
        if (folder.find_first_not_of(L"\\?.") == std::wstring::npos) return std::nullopt;
    }
}

CopyOutcome SurveyDestination(FileSystem& fs, const FolderTree& tree, const TemporaryNames& temporaries,
                              const std::wstring& destination, std::optional<std::uint32_t> destinationAttributes,
                              DestinationSurvey& survey, SpaceNeed* need, Pacer& pacer) {
    survey.exists.assign(tree.FolderCount() + 1, false);
    survey.seen.assign(tree.FileCount(), Seen::Nothing);
    survey.leftovers.clear();
    // Each folder's own attributes tell a link, as its parent's listing does: nothing more is
    // asked of the disk for it.
    auto exists = [](std::optional<std::uint32_t> attributes, bool& present) {
        present = attributes && (*attributes & attr::kDirectory);
        return !(present && (*attributes & attr::kLink));
    };
    bool present = false;
    if (!exists(destinationAttributes, present)) return CopyOutcome::Failed;
    survey.exists[0] = present;
    std::wstring path;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i) {
        // Below a folder the copy will create nothing can exist yet: no need to ask.
        if (!survey.exists[tree.folderParents[i]]) continue;
        if (!pacer.Step(kFolderWork)) return CopyOutcome::Stopped;
        path = destination;
        tree.AppendFolderPath(i, path);
        if (!exists(fs.Attributes(path), present)) return CopyOutcome::Failed;
        survey.exists[i + 1] = present;
    }
    if (need)
        for (const bool folder : survey.exists)
            if (!folder) need->MakeFolder();
    auto before = [&](const PresentFiles::File& a, std::wstring_view b) { return fs.CompareNames(a.name, b) < 0; };
    for (std::uint32_t p = 0; p < survey.exists.size(); ++p) {
        if (!survey.exists[p]) continue;
        if (!pacer.Step(kFolderWork)) return CopyOutcome::Stopped;
        FolderPrefix(tree, p, destination, path);
        PresentFiles present;
        // A folder that can't be listed frees nothing as far as the count goes; its files are
        // looked up one by one.
        if (!fs.ListFolder(path, present)) {
            std::fill(survey.seen.begin() + tree.filesFrom[p], survey.seen.begin() + tree.filesTo[p], Seen::Unknown);
            continue;
        }
        for (auto& [name, attributes] : present.temporaries) {
            if (temporaries.IsTreeName(p, name)) continue;
            if (attributes & attr::kLink) return CopyOutcome::Failed;
            survey.leftovers.emplace_back(p, std::move(name));
        }
        auto& files = present.files;
        std::sort(files.begin(), files.end(),
                  [&](const auto& a, const auto& b) { return fs.CompareNames(a.name, b.name) < 0; });
        for (std::uint32_t f = tree.filesFrom[p]; f < tree.filesTo[p]; ++f) {
            const std::wstring_view name = tree.fileNames[f];
            const auto at = std::lower_bound(files.begin(), files.end(), name, before);
            if (at == files.end() || fs.CompareNames(at->name, name) != 0) continue;
            if (at->attributes & attr::kLink) {
                survey.seen[f] = Seen::Link;
                continue;  // a link takes next to no room
            }
            survey.seen[f] = (at->attributes & kInTheWay) ? Seen::FileInTheWay : Seen::File;
            if (need) need->Replace(at->size);
        }
    }
    return CopyOutcome::Copied;
}

CopyOutcome BuildFolders(FileSystem& fs, const FolderTree& tree, FolderHolds& holds, const std::wstring& destination,
                         const DestinationSurvey& survey, Pacer& pacer) {
    if (!holds.HoldRoot(destination, !survey.exists[0])) return CopyOutcome::Failed;
    for (std::uint32_t p = 1; p <= tree.FolderCount(); ++p) {
        if (!pacer.Step(kFolderWork)) return CopyOutcome::Stopped;
        if (!survey.exists[p] && !holds.Make(p)) return CopyOutcome::Failed;
    }
    // One that can't go now stays in no one's way but its own file's, whose copy then fails.
    for (const auto& [p, name] : survey.leftovers)
        if (const auto folder = holds.Get(p)) fs.RemoveIn(*folder, name);
    return CopyOutcome::Copied;
}

}  // namespace setup
