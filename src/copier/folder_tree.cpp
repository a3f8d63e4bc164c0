#include "copier/folder_tree.hpp"

#include <algorithm>
#include <limits>

namespace setup {
namespace {

bool Fits(std::size_t count) { return count < std::numeric_limits<std::uint32_t>::max(); }

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
    // Measure up to the root, then write the names from the top down.
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

void FolderPrefix(const FolderTree& tree, std::uint32_t parent, const std::wstring& root, std::wstring& out) {
    out = root;
    if (parent == 0) return;
    tree.AppendFolderPath(parent - 1, out);
    out += kSeparator;
}

std::size_t FolderTree::Bytes() const {
    return folderNames.Bytes() + fileNames.Bytes() +
           (folderParents.capacity() + fileParents.capacity()) * sizeof(std::uint32_t);
}

}  // namespace setup
