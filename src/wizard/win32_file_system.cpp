#include "wizard/win32_file_system.hpp"

#include <string_view>

#include "platform/unique_handle.hpp"

namespace setup {
namespace {

constexpr std::wstring_view kLiteral = L"\\\\?\\";

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The one place a folder's final separator is dealt with: a literal path reaches the file
// system as given, so it goes, except a drive root's ("\\?\C:\").
std::wstring NativePath(const std::wstring& path) {
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

DWORD CALLBACK FileCopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD reason, HANDLE,
                                HANDLE, LPVOID data) noexcept {
    // Wine 8 never calls this; on Windows it runs once per chunk of a long file.
    auto* state = static_cast<FileCopyPacing*>(data);
    if (reason != CALLBACK_CHUNK_FINISHED || !state) return PROGRESS_CONTINUE;
    try {
        if (state->pacing.YieldToWindow()) return PROGRESS_CONTINUE;
        state->stopAsked = true;
    } catch (...) {
        state->failed = true;
    }
    return PROGRESS_CANCEL;
}

bool Win32FileSystem::ListFolder(const std::wstring& folder, FolderVisitor& visitor) {
    std::wstring pattern = folder;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    // Basic information and large fetches: the listing carries the attributes the copier
    // needs, so no entry is queried again.
    UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        // Only a folder holding nothing at all (a drive root) has no match; anything else is
        // a folder that is missing or can't be read.
        const bool empty = ::GetLastError() == ERROR_FILE_NOT_FOUND;
        const auto attributes = Attributes(folder);
        return empty && attributes && (*attributes & attr::kDirectory);
    }
    do {
        visitor.Entry(data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(find.get(), &data));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

std::optional<std::uint32_t> Win32FileSystem::Attributes(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

bool Win32FileSystem::ClearAttributes(const std::wstring& path) {
    return ::SetFileAttributesW(NativePath(path).c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool Win32FileSystem::CreateFolder(const std::wstring& path) {
    return ::CreateDirectoryW(NativePath(path).c_str(), nullptr) != FALSE;
}

CopyOutcome Win32FileSystem::Copy(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing& pacing) {
    FileCopyPacing state{pacing};
    if (::CopyFileExW(NativePath(from).c_str(), NativePath(to).c_str(), FileCopyProgress, &state, nullptr,
                      replace ? 0 : COPY_FILE_FAIL_IF_EXISTS))
        return CopyOutcome::Copied;
    // A copy the routine cancelled ends with ERROR_REQUEST_ABORTED, its partial file removed.
    return state.stopAsked ? CopyOutcome::Stopped : CopyOutcome::Failed;
}

}  // namespace setup
