#include "wizard/install_plan.hpp"

namespace setup {

std::optional<std::wstring> DestinationFolder(std::wstring_view installPath) {
    if (installPath.size() < 2) return std::nullopt;
    std::wstring_view folder = installPath.substr(1, installPath.size() - 2);
    const auto first = folder.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        folder = {};
    } else {
        folder = folder.substr(first, folder.find_last_not_of(L' ') - first + 1);
    }
    return std::wstring(folder) + L"\\coon\\";
}

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "X:" and a separator; the remainder is returned.
bool TakeDriveRoot(std::wstring_view& path) {
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != L':' || !IsSeparator(path[2])) return false;
    path.remove_prefix(3);
    return true;
}

// Two separators before a server name, a share name and a folder in that share; only the
// separators are taken, so the names are checked like the rest of the path.
bool TakeShare(std::wstring_view& path) {
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
    const std::wstring_view names = path.substr(2);
    std::size_t at = 0;
    for (int part = 0; part < 2; ++part) {
        const std::size_t begin = at;
        while (at < names.size() && !IsSeparator(names[at])) ++at;
        if (at == begin || at == names.size()) return false;
        ++at;
    }
    if (at == names.size()) return false;
    path.remove_prefix(2);
    return true;
}

bool TakeRoot(std::wstring_view& path) {
    constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
    if (path.substr(0, kLongPrefix.size()) == kLongPrefix) {
        // Behind this prefix nothing is normalised: only a drive root with a backslash.
        path.remove_prefix(kLongPrefix.size());
        if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != L':' || path[2] != L'\\') return false;
        path.remove_prefix(3);
        return true;
    }
    // "\\?" in another spelling and "\\." lead into the device namespace: no place for a product.
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == L'?' || path[2] == L'.'))
        return false;
    return TakeDriveRoot(path) || TakeShare(path);
}

}  // namespace

bool IsUsableDestination(std::wstring_view destination) {
    std::wstring_view rest = destination;
    if (!TakeRoot(rest)) return false;
    for (const wchar_t c : rest) {
        if (c < 32 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*' || c == L':')
            return false;
    }
    return true;
}

std::wstring SourceFolder(std::wstring_view programFolder, std::wstring_view recordedVersion,
                          std::wstring_view mediumVersion) {
    return std::wstring(programFolder) + (recordedVersion == mediumVersion ? L"\\zrv\\class\\" : L"\\zrv\\upgrade\\");
}

}  // namespace setup
