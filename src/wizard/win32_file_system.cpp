#include "wizard/win32_file_system.hpp"

#include <string_view>

#include "platform/unique_handle.hpp"

namespace setup {
namespace {

DWORD CALLBACK CopyProgressRoutine(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER,
                                   DWORD, DWORD reason, HANDLE, HANDLE, LPVOID data) {
    // Keeps the window live during a copy of gigabytes. Wine 8 never calls this.
    if (reason == CALLBACK_CHUNK_FINISHED) static_cast<YieldHook*>(data)->Yield();
    return PROGRESS_CONTINUE;
}

constexpr std::wstring_view kLiteral = L"\\\\?\\";

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A literal path reaches the file system as given: a folder's final separator goes, except a
// drive root's ("\\?\C:\").
std::wstring WithoutFinalSeparator(const std::wstring& path) {
    if (!StartsWith(path, kLiteral) || path.size() < 2 || path.back() != L'\\' || path[path.size() - 2] == L':')
        return path;
    return path.substr(0, path.size() - 1);
}

}  // namespace

std::wstring LiteralFolderPath(const std::wstring& folder) {
    if (StartsWith(folder, kLiteral) || StartsWith(folder, L"\\\\.\\")) return folder;
    const DWORD size = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (size == 0) return folder;
    std::wstring full(size, L'\0');
    const DWORD n = ::GetFullPathNameW(folder.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size) return folder;
    full.resize(n);
    if (StartsWith(full, L"\\\\.\\")) return folder;
    if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    return std::wstring(kLiteral) + full;
}

bool Win32FileSystem::ListFolder(const std::wstring& folder, FolderVisitor& visitor) {
    std::wstring pattern = folder;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    // Basic information and large fetches: the listing carries the attributes the copier
    // needs, so no entry is queried again.
    UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        // Only a folder holding nothing at all (a drive root) has no match; anything else is
        // a folder that is missing or can't be read.
        const bool empty = ::GetLastError() == ERROR_FILE_NOT_FOUND;
        const DWORD attributes = ::GetFileAttributesW(WithoutFinalSeparator(folder).c_str());
        return empty && attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    do {
        visitor.Entry(data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(find.get(), &data));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

std::optional<std::uint32_t> Win32FileSystem::Attributes(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(WithoutFinalSeparator(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

bool Win32FileSystem::ClearAttributes(const std::wstring& path) {
    return ::SetFileAttributesW(WithoutFinalSeparator(path).c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool Win32FileSystem::CreateFolder(const std::wstring& path) {
    return ::CreateDirectoryW(WithoutFinalSeparator(path).c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::Copy(const std::wstring& from, const std::wstring& to, bool replace, YieldHook& hook) {
    return ::CopyFileExW(from.c_str(), to.c_str(), CopyProgressRoutine, &hook, nullptr,
                         replace ? 0 : COPY_FILE_FAIL_IF_EXISTS) != FALSE;
}

}  // namespace setup
