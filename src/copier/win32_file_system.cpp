#include "copier/win32_file_system.hpp"

#include <winioctl.h>

#include <string_view>

#include "platform/unique_handle.hpp"

namespace setup {
namespace {

constexpr std::wstring_view kLiteral = L"\\\\?\\";

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The root of the volume that holds the path ("C:\", a mount point, "\\server\share\"), in the
// plain form the volume functions take: Wine reports a fixed drive for any "\\?\" root.
std::optional<std::wstring> VolumeRoot(const std::wstring& path) {
    std::wstring root(path.size() + 2, L'\0');
    if (!::GetVolumePathNameW(NativePath(path).c_str(), root.data(), static_cast<DWORD>(root.size())))
        return std::nullopt;
    root.resize(::wcslen(root.c_str()));
    if (StartsWith(root, L"\\\\?\\UNC\\")) return L"\\\\" + root.substr(8);
    if (StartsWith(root, kLiteral)) return root.substr(kLiteral.size());
    return root;
}

// What a listing or a lookup says of an entry: a reparse point that redirects no name (a
// deduplicated or cloud file) is the entry it stands for.
std::uint32_t Reported(DWORD attributes, DWORD tag) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !IsLinkTag(tag))
        attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    return attributes;
}

}  // namespace

std::wstring NativePath(const std::wstring& path) {
    if (!StartsWith(path, kLiteral) || path.size() < 2 || path.back() != L'\\' || path[path.size() - 2] == L':')
        return path;
    return path.substr(0, path.size() - 1);
}

bool IsLinkTag(DWORD tag) { return tag == 0 || IsReparseTagNameSurrogate(tag); }

bool IsPassingLock(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

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
        visitor.Entry(data.cFileName, Reported(data.dwFileAttributes, data.dwReserved0),
                      (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    } while (::FindNextFileW(find.get(), &data));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

std::optional<std::uint32_t> Win32FileSystem::Attributes(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    // Only the rare reparse point costs a second question: its tag.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return attributes;
    if (const auto entry = Lookup(path)) return entry->attributes;
    return attributes;
}

std::optional<FoundEntry> Win32FileSystem::Lookup(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    UniqueFind find(
        ::FindFirstFileExW(NativePath(path).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) return std::nullopt;
    return FoundEntry{data.cFileName, Reported(data.dwFileAttributes, data.dwReserved0)};
}

int Win32FileSystem::CompareNames(std::wstring_view a, std::wstring_view b) {
    // As the file system compares names: code unit by code unit, upper-cased by the system's
    // own table.
    const int order =
        ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
    return order == CSTR_LESS_THAN ? -1 : order == CSTR_GREATER_THAN ? 1 : 0;
}

std::optional<VolumeSpace> Win32FileSystem::Space(const std::wstring& folder) {
    std::wstring path = NativePath(folder);
    if (path.empty() || path.back() != L'\\') path += L'\\';
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    VolumeSpace space{available.QuadPart, 1};
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (const auto root = VolumeRoot(folder);
        root && ::GetDiskFreeSpaceW(root->c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        space.clusterBytes = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
    return space;
}

namespace {

class Win32HeldVolume final : public HeldVolume {
public:
    explicit Win32HeldVolume(UniqueFile volume) : volume_(std::move(volume)) {}
    bool Flush() override { return ::FlushFileBuffers(volume_.get()) != FALSE; }

private:
    UniqueFile volume_;
};

}  // namespace

std::unique_ptr<HeldVolume> Win32FileSystem::HoldVolume(const std::wstring& folder) {
    // Only a drive letter's volume opens as a device ("\\.\C:"), and only for an administrator.
    const auto root = VolumeRoot(folder);
    if (!root || root->size() != 3 || (*root)[1] != L':') return nullptr;
    const std::wstring device = L"\\\\.\\" + root->substr(0, 2);
    UniqueFile volume(::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    // One that opens but won't flush (Wine gives a handle to the drive's folder) is none: a
    // flush now, before the copy has written anything, tells at little cost.
    if (!volume || !::FlushFileBuffers(volume.get())) return nullptr;
    return std::make_unique<Win32HeldVolume>(std::move(volume));
}

bool Win32FileSystem::OnDisc(const std::wstring& path) {
    const auto root = VolumeRoot(path);
    return root && ::GetDriveTypeW(root->c_str()) == DRIVE_CDROM;
}

bool Win32FileSystem::IncursSeekPenalty(const std::wstring& path) {
    const auto root = VolumeRoot(path);
    if (!root) return false;
    const UINT kind = ::GetDriveTypeW(root->c_str());
    if (kind == DRIVE_CDROM) return true;
    if (kind != DRIVE_FIXED && kind != DRIVE_REMOVABLE) return false;
    // The volume's device, opened without access rights: the storage query needs none.
    wchar_t volume[MAX_PATH];
    if (!::GetVolumeNameForVolumeMountPointW(root->c_str(), volume, MAX_PATH)) return false;
    std::wstring device = volume;
    if (!device.empty() && device.back() == L'\\') device.pop_back();
    const UniqueFile handle(::CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    if (!handle) return false;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_SEEK_PENALTY_DESCRIPTOR answer{};
    DWORD returned = 0;
    if (!deviceControl_(handle.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &answer, sizeof answer,
                        &returned, nullptr) ||
        returned < sizeof answer)
        return false;
    return answer.IncursSeekPenalty != FALSE;
}

}  // namespace setup
