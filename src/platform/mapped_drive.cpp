#include "platform/mapped_drive.hpp"

namespace setup {

wchar_t DriveLetter(std::wstring_view folder) {
    if (folder.size() < 2 || folder[1] != L':') return 0;
    const wchar_t c = folder[0];
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
    return c >= L'A' && c <= L'Z' ? c : 0;
}

std::optional<std::wstring> FolderOnShare(std::wstring_view folder, std::wstring_view remotePath) {
    if (DriveLetter(folder) == 0) return std::nullopt;
    while (!remotePath.empty() && remotePath.back() == L'\\') remotePath.remove_suffix(1);
    // "\\server\share" at least: two leading separators, a server, a share.
    if (remotePath.size() < 5 || remotePath.substr(0, 2) != L"\\\\") return std::nullopt;
    const auto shareAt = remotePath.find(L'\\', 2);
    if (shareAt == std::wstring_view::npos || shareAt == 2 || shareAt + 1 == remotePath.size()) return std::nullopt;
    std::wstring_view rest = folder.substr(2);
    if (rest == L"\\") rest = {};
    return std::wstring(remotePath) + std::wstring(rest);
}

}  // namespace setup
