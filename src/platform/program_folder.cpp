#include "platform/program_folder.hpp"

#include <windows.h>

#include "platform/mapped_drive.hpp"

namespace setup {
namespace {

// The share the user's session maps the letter to for good, as Windows remembers it for the
// next logon; "" when there is none.
std::wstring PersistentMapping(wchar_t letter) {
    const std::wstring subkey = std::wstring(L"Network\\") + letter;
    wchar_t text[1024];
    DWORD bytes = sizeof text;
    // RegGetValueW ends the text with its NUL, as a plain query doesn't promise to.
    if (::RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), L"RemotePath", RRF_RT_REG_SZ, nullptr, text, &bytes) !=
        ERROR_SUCCESS)
        return {};
    return text;
}

bool IsReachableFolder(const std::wstring& path) {
    const DWORD a = ::GetFileAttributesW((path + L"\\").c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// As the platform reports it.
std::wstring ReportedProgramFolder() {
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

}  // namespace

ProgramFolderFinding FindProgramFolder(const std::wstring& reported, DriveTypeQuery driveType) {
    const wchar_t letter = DriveLetter(reported);
    if (letter == 0) return {reported, true};
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    if (driveType(root) != DRIVE_NO_ROOT_DIR) return {reported, true};
    if (const auto share = FolderOnShare(reported, PersistentMapping(letter)); share && IsReachableFolder(*share))
        return {*share, true};
    return {reported, false};
}

const ProgramFolderFinding& FoundProgramFolder() {
    static const ProgramFolderFinding found = FindProgramFolder(ReportedProgramFolder());
    return found;
}

std::wstring ProgramFolder() { return FoundProgramFolder().folder; }

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
