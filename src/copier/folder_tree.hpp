#pragma once
// The copier's lists: every name of a tree once, packed, with the folder each lies in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

inline constexpr wchar_t kSeparator = L'\\';

inline void EnsureTrailingSeparator(std::wstring& path) {
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
}

// Names back to back in one buffer: lean for trees of hundreds of thousands of entries.
class NameList {
public:
    bool Append(std::wstring_view name);  // false when the list is full
    std::size_t Count() const { return ends_.size(); }
    std::wstring_view operator[](std::size_t index) const;  // 0-based
    std::size_t Bytes() const;

private:
    std::wstring text_;
    std::vector<std::uint32_t> ends_;
};

// The listed tree: each entry's name and the folder it lies in, from which its relative path
// (below the root, "\" between components, no leading or trailing separator) is rebuilt.
// Parents are folder indexes plus one; 0 is the listed folder itself.
struct FolderTree {
    NameList folderNames;
    NameList fileNames;
    std::vector<std::uint32_t> folderParents;
    std::vector<std::uint32_t> fileParents;
    // Each listed folder's own files, [filesFrom, filesTo) of the file list; indexed as
    // parents are, 0 for the root.
    std::vector<std::uint32_t> filesFrom;
    std::vector<std::uint32_t> filesTo;

    std::size_t FolderCount() const { return folderNames.Count(); }
    std::size_t FileCount() const { return fileNames.Count(); }
    // Append the relative path of a folder or a file to out.
    void AppendFolderPath(std::size_t index, std::wstring& out) const;
    void AppendFilePath(std::size_t index, std::wstring& out) const;
    std::wstring FolderPath(std::size_t index) const;
    std::wstring FilePath(std::size_t index) const;
    std::size_t Bytes() const;
};

// root followed by the relative path of the folder numbered as parents are, and a separator.
void FolderPrefix(const FolderTree& tree, std::uint32_t parent, const std::wstring& root, std::wstring& out);

}  // namespace setup
