#pragma once
// The copier's road to the disk. Platform-free: the Win32 file system implements it, and the
// tests an in-memory one that can fail any operation.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

enum class CopyOutcome { Copied, Failed, Stopped };

// File attribute bits, with the platform's values.
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
}  // namespace attr

class FolderVisitor {
public:
    // A folder's attributes carry attr::kDirectory; size is a file's length in bytes.
    virtual void Entry(std::wstring_view name, std::uint32_t attributes, std::uint64_t size) = 0;

protected:
    ~FolderVisitor() = default;
};

// What a file's copy asks of the copier, from whichever thread copies it: never the window's.
class CopyPacing {
public:
    // Between chunks of a long file: false once a stop is asked, or another file has failed.
    virtual bool KeepGoing() = 0;
    // Waits about this long before another try, false at once when the copy is to end.
    virtual bool Pause(std::chrono::milliseconds wait) = 0;

protected:
    ~CopyPacing() = default;
};

// What a path finds: the entry's own name in its folder, which is its long name where the
// path gave a short alias, and its attributes.
struct FoundEntry {
    std::wstring name;
    std::uint32_t attributes;
};

struct VolumeSpace {
    std::uint64_t freeBytes;     // what this user may still write there
    std::uint64_t clusterBytes;  // the unit the volume allocates files in
};

// Paths use "\" as the only separator. A folder path may come with or without its final
// separator; the file system takes both.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The folder as this file system wants the roots of a copy, with its final separator.
    virtual std::wstring Root(const std::wstring& folder) { return folder; }
    // Every entry of the folder, "." and ".." possibly among them. False when it can't be listed.
    virtual bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) = 0;
    virtual std::optional<std::uint32_t> Attributes(const std::wstring& path) = 0;
    // Nothing when no entry is there.
    virtual std::optional<FoundEntry> Lookup(const std::wstring& path) = 0;
    virtual bool ClearAttributes(const std::wstring& path) = 0;  // all of them: a normal file
    virtual bool ClearReadOnly(const std::wstring& path) = 0;    // that one, the others stay
    virtual bool CreateFolder(const std::wstring& path) = 0;     // one level
    // Orders two names as the file system compares them: ordinal, letter case ignored. 0 when
    // the file system takes them for one name.
    virtual int CompareNames(std::wstring_view a, std::wstring_view b) = 0;
    // The space on the volume that holds this existing folder; nothing when it can't be told.
    virtual std::optional<VolumeSpace> Space(const std::wstring& folder) = 0;
    // Whether the path lies on a CD or DVD drive, whose file systems mark every file read-only.
    virtual bool OnDisc(const std::wstring& path) = 0;
    // Whether the volume that holds the path serves one place at a time, so that two files read
    // at once make it seek between them at every chunk: an optical drive, a spinning disk.
    // False where it can't be told.
    virtual bool IncursSeekPenalty(const std::wstring& path) = 0;
    // With replace, an existing file is replaced; without, a taken name fails the copy. A file
    // being replaced may be cut short as soon as the copy starts. Stopped when pacing said stop
    // inside the file. Whatever the outcome, a copy that didn't end Copied may leave part of
    // its file behind. Called from several threads at once, each with its own file; so are
    // Attributes, Lookup, ClearAttributes, ClearReadOnly, CompareNames, Rename and Remove.
    virtual CopyOutcome Copy(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing& pacing) = 0;
    // Gives the file at from the name to, in the same folder, in one step: at no moment is
    // there neither the old file nor the new one under that name. With replace, an existing
    // file is replaced; without, the rename fails when any entry answers to the name, a short
    // alias included. A file held by another program is waited for as a copy waits.
    virtual CopyOutcome Rename(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing& pacing) = 0;
    // Deletes a file, whatever its attributes. False when it is still there.
    virtual bool Remove(const std::wstring& path) = 0;
};

}  // namespace setup
