#include "platform/program_folder.hpp"

#include <windows.h>

namespace setup {

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    // Keep the separator of a drive root ("D:\"), as the platform reports it.
    if (slash == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, slash);
}

bool PathAttributes(const std::wstring& path, unsigned long& attributes) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    attributes = a;
    return true;
}

bool VisibleEntryExists(const std::wstring& path) {
    unsigned long a = 0;
    return PathAttributes(path, a) && (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

bool NormalFileExists(const std::wstring& path) {
    unsigned long a = 0;
    if (!PathAttributes(path, a)) return false;
    return (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

}  // namespace setup
