#include "copier/file_placement.hpp"

#include <algorithm>

namespace setup {
namespace {

constexpr std::wstring_view kMarks = L"$%&@_!#";
constexpr std::size_t kDigits = 7;
constexpr std::wstring_view kExtension = L".TMP";

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

std::wstring UpperAscii(std::wstring_view name) {
    std::wstring upper(name);
    for (wchar_t& c : upper) c = UpperAscii(c);
    return upper;
}

bool IsDigit36(wchar_t c) {
    c = UpperAscii(c);
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z');
}

// What stands at the final name before the copy.
struct Standing {
    bool refused;  // a folder, or another file answering to the name through its short alias
    bool present;
    std::uint32_t attributes;
};

// A name that finds another file through its short alias (REPO~QPI.DOC for "Report for
// 2020.doc") must never replace that file. Where the survey saw the folder's files, the rename
// itself refuses such a name; elsewhere the name is looked up, which costs a search of the
// folder.
Standing Survey(FileSystem& fs, const FileToPlace& file) {
    switch (file.seen) {
        case Seen::Nothing:
            return {false, false, 0};
        case Seen::File:
            return {false, true, 0};
        case Seen::FileInTheWay:
            return {false, true, kInTheWay};
        case Seen::Link:
            return {false, true, attr::kLink};
        case Seen::Unknown:
            break;
    }
    const auto attributes = fs.Attributes(file.to);
    if (!attributes) return {false, false, 0};
    if (*attributes & attr::kDirectory) return {true, true, *attributes};
    const auto entry = fs.Lookup(file.to);
    if (entry && fs.CompareNames(entry->name, file.name) != 0) return {true, true, *attributes};
    return {false, true, *attributes};
}

}  // namespace

TemporaryNames::TemporaryNames(const FolderTree& tree) {
    auto note = [&](const NameList& names, const std::vector<std::uint32_t>& parents) {
        for (std::size_t i = 0; i < names.Count(); ++i)
            if (HasTheShape(names[i])) taken_.emplace_back(parents[i], UpperAscii(names[i]));
    };
    note(tree.folderNames, tree.folderParents);
    note(tree.fileNames, tree.fileParents);
    std::sort(taken_.begin(), taken_.end());
}

bool TemporaryNames::HasTheShape(std::wstring_view name) {
    if (name.size() != 1 + kDigits + kExtension.size() || kMarks.find(name[0]) == std::wstring_view::npos)
        return false;
    if (!std::all_of(name.begin() + 1, name.begin() + 1 + kDigits, IsDigit36)) return false;
    return UpperAscii(name.substr(1 + kDigits)) == kExtension;
}

bool TemporaryNames::IsTreeName(std::uint32_t folder, std::wstring_view name) const {
    return !taken_.empty() && std::binary_search(taken_.begin(), taken_.end(), std::pair(folder, UpperAscii(name)));
}

std::wstring TemporaryNames::For(const FolderTree& tree, std::size_t file) const {
    std::wstring name(1 + kDigits, L'0');
    for (std::size_t at = kDigits, rest = file; at > 0 && rest > 0; --at, rest /= 36)
        name[at] = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[rest % 36];
    name += kExtension;
    for (const wchar_t mark : kMarks) {
        name[0] = mark;
        if (!IsTreeName(tree.fileParents[file], name)) return name;
    }
    return {};
}

CopyOutcome PlaceFile(FileSystem& fs, HeldFolder& folder, const FileToPlace& file, CopyPacing& pacing) {
    if (file.temporary.empty()) return CopyOutcome::Failed;
    const Standing standing = Survey(fs, file);
    if (standing.refused) return CopyOutcome::Failed;
    // Where nothing stood under the name, no file of an earlier installation is at stake: the
    // file goes straight to its name, made new, so that whatever took the name meanwhile fails
    // it. A kill may leave it part-written; nothing is recorded then, and the next run replaces
    // it as it replaces any file.
    if (file.seen == Seen::Nothing) {
        Written written = fs.CopyInto(file.from, folder, file.name, file.fromDisc, pacing);
        if (written.outcome != CopyOutcome::Copied) return written.outcome;
        if (file.flushEach && !written.file->Flush()) return CopyOutcome::Failed;
        written.file->Keep();
        return CopyOutcome::Copied;
    }
    // A folder the survey couldn't list may still hold what a killed copy left under this name.
    if (file.seen == Seen::Unknown && !fs.RemoveIn(folder, file.temporary)) return CopyOutcome::Failed;
    // A disc marks every file read-only, and the copy would carry the mark over: the installed
    // product could never update its own files.
    Written written = fs.CopyInto(file.from, folder, file.temporary, file.fromDisc, pacing);
    if (written.outcome != CopyOutcome::Copied) return written.outcome;
    // The name is journaled, the data only cached: renamed over the old file before it reaches
    // the disk, the new file could read as zeros after a power cut, with the old one gone.
    if (!written.file->Flush()) return CopyOutcome::Failed;
    // Windows renames over no read-only file. The old file's attributes go only now, once the
    // new content is whole; a link's are its own, and it is replaced as it stands.
    const bool link = (standing.attributes & attr::kLink) != 0;
    if (standing.present && !link && (standing.attributes & kInTheWay) && !fs.ClearAttributesIn(folder, file.name))
        return CopyOutcome::Failed;
    // Where nothing was seen under the name, the rename itself refuses any entry that took it
    // meanwhile: another worker's file whose short alias it is, say. Whatever doesn't reach its
    // place goes with the written file.
    return written.file->RenameTo(file.name, standing.present, pacing);
}

}  // namespace setup
