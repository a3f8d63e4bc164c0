#pragma once
// The copier's file system on Win32: wide entry points, literal paths, one owned handle per
// listing.
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

// What the progress routine of one file copy works with.
struct FileCopyPacing {
    CopyPacing& pacing;
    bool stopAsked = false;
    bool failed = false;  // the caller's pacing threw: the copy is cancelled as a failure
};

// The progress routine of CopyFileExW, given a FileCopyPacing. Between chunks it cancels the
// copy once the pacing says the copy is to end. Nothing may unwind through the system's frames
// that call it, so it catches everything and cancels instead.
DWORD CALLBACK FileCopyProgress(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER streamSize,
                                LARGE_INTEGER streamTransferred, DWORD stream, DWORD reason, HANDLE from, HANDLE to,
                                LPVOID data) noexcept;

// Whether a failed copy may succeed a moment later: a scanner or the indexer holding a file
// just written or about to be read.
bool IsPassingLock(DWORD error);

class Win32FileSystem final : public FileSystem {
public:
    // A file held by another program is tried this many times in all, the waits between the
    // tries given in milliseconds: about two seconds from the first try to the last.
    static constexpr int kCopyTries = 3;
    static constexpr DWORD kRetryWaits[kCopyTries - 1] = {500, 1000};

    // The platform's file copy, CopyFileExW's signature; a test gives one that fails as
    // Windows can and Wine doesn't.
    using CopyFileFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPPROGRESS_ROUTINE, LPVOID, LPBOOL, DWORD);
    // DeviceIoControl's signature, which asks a disk whether it seeks; Wine's disks never say.
    using DeviceControlFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    explicit Win32FileSystem(CopyFileFunction copyFile = ::CopyFileExW,
                             DeviceControlFunction deviceControl = ::DeviceIoControl)
        : copyFile_(copyFile), deviceControl_(deviceControl) {}

    // Literal roots: every name of the tree arrives as it is on the medium.
    std::wstring Root(const std::wstring& folder) override { return LiteralFolderPath(folder); }
    bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) override;
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override;
    std::optional<FoundEntry> Lookup(const std::wstring& path) override;
    bool ClearAttributes(const std::wstring& path) override;
    bool ClearReadOnly(const std::wstring& path) override;
    bool CreateFolder(const std::wstring& path) override;
    int CompareNames(std::wstring_view a, std::wstring_view b) override;
    std::optional<VolumeSpace> Space(const std::wstring& folder) override;
    bool OnDisc(const std::wstring& path) override;
    bool IncursSeekPenalty(const std::wstring& path) override;
    CopyOutcome Copy(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing& pacing) override;
    CopyOutcome Rename(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing& pacing) override;
    bool Remove(const std::wstring& path) override;

private:
    // Before a retry: a file its first try left under exactly this name (a scanner held the
    // new file, so the platform couldn't remove it), made replaceable. False when there is none.
    bool ClaimLeftover(const std::wstring& target);

    CopyFileFunction copyFile_;
    DeviceControlFunction deviceControl_;
};

}  // namespace setup
