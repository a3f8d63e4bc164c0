#pragma once
// The copier's file system on Win32: wide entry points, literal paths, one owned handle per
// listing; what it writes, through folders held open.
#include <windows.h>

#include <string>
#include <string_view>

#include "copier/file_system.hpp"

namespace setup {

// The folder as a path that Win32 passes on literally ("\\?\" and absolute): names below it
// then keep trailing dots and blanks, and paths may pass MAX_PATH whatever the system's
// long-path setting. The folder itself is normalised first as Win32 would ("." and "..",
// doubled or forward separators). Unchanged if it is literal already, a device path, or can't
// be resolved.
std::wstring LiteralFolderPath(const std::wstring& folder);

// Whether a failed copy may succeed a moment later: a scanner or the indexer holding a file
// just written or about to be read.
bool IsPassingLock(DWORD error);

// What a reparse point's tag says of it: whether it leads elsewhere by name. A tag of 0, which
// Wine gives every symbolic link, is taken for a link.
bool IsLinkTag(DWORD tag);

class Win32FileSystem final : public FileSystem {
public:
    // A file held by another program is tried this many times in all, the waits between the
    // tries given in milliseconds: about two seconds from the first try to the last.
    static constexpr int kCopyTries = 3;
    static constexpr DWORD kRetryWaits[kCopyTries - 1] = {500, 1000};

    // ReadFile's signature: a test gives one that reads as a slow or scanned disk does.
    using ReadFunction = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    // DeviceIoControl's signature, which asks a disk whether it seeks; Wine's disks never say.
    using DeviceControlFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    explicit Win32FileSystem(ReadFunction read = ::ReadFile, DeviceControlFunction deviceControl = ::DeviceIoControl)
        : read_(read), deviceControl_(deviceControl) {}

    // Literal roots: every name of the tree arrives as it is on the medium.
    std::wstring Root(const std::wstring& folder) override { return LiteralFolderPath(folder); }
    bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) override;
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override;
    std::optional<FoundEntry> Lookup(const std::wstring& path) override;
    int CompareNames(std::wstring_view a, std::wstring_view b) override;
    std::optional<VolumeSpace> Space(const std::wstring& folder) override;
    bool OnDisc(const std::wstring& path) override;
    bool IncursSeekPenalty(const std::wstring& path) override;
    std::unique_ptr<HeldVolume> HoldVolume(const std::wstring& folder) override;

    // win32_destination.cpp
    std::unique_ptr<HeldFolder> Hold(const std::wstring& path, bool create) override;
    std::unique_ptr<HeldFolder> HoldIn(HeldFolder& parent, std::wstring_view name, bool create) override;
    Written CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                     CopyPacing& pacing) override;
    bool ClearAttributesIn(HeldFolder& folder, std::wstring_view name) override;
    bool RemoveIn(HeldFolder& folder, std::wstring_view name) override;

private:
    // One try at CopyInto; on failure, error is the Win32 error.
    Written TryCopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                        CopyPacing& pacing, DWORD& error);

    ReadFunction read_;
    DeviceControlFunction deviceControl_;
};

// The one place a folder's final separator is dealt with: a literal path reaches the file
// system as given, so it goes, except a drive root's ("\\?\C:\").
std::wstring NativePath(const std::wstring& path);

}  // namespace setup
