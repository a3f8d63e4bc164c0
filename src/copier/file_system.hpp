#pragma once
// The copier's road to the disk. Platform-free: the Win32 file system implements it, and the
// tests an in-memory one that can fail any operation.
#include <chrono>
#include <cstdint>
#include <memory>
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
// A reparse point that leads elsewhere by name: a symbolic link, a junction, a mount point.
// Other reparse points (deduplicated or cloud files) are reported as the entries they stand for.
inline constexpr std::uint32_t kLink = 0x400;
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

// A folder of the destination, held open while the copy works in it. Whatever the copy makes,
// writes, renames or removes there goes through the hold: never through a link, and never
// elsewhere when the folder's path is made to lead elsewhere meanwhile.
class HeldFolder {
public:
    virtual ~HeldFolder() = default;
};

// A file the copy has written in a held folder, still open. It goes with this object unless it
// was kept or renamed: whatever ends the copy, a stop, a failure or an exception, leaves none.
class WrittenFile {
public:
    virtual ~WrittenFile() = default;
    // Gives the file the name in its folder in one step: at no moment is there neither the old
    // file nor the new one under that name. With replace, what stands there is replaced (a
    // link as a file, never what it leads to); without, the rename fails when any entry
    // answers to the name, a short alias included. A file held by another program is waited for
    // as a copy waits.
    virtual CopyOutcome RenameTo(std::wstring_view name, bool replace, CopyPacing& pacing) = 0;
    // The file stays, under the name it was written with.
    virtual void Keep() = 0;
    // Its data on the disk itself, not only in the system's cache: after a power cut a file
    // reads as what was flushed of it, and zeros for the rest (FlushFileBuffers).
    virtual bool Flush() = 0;
};

// The destination's volume, open so that everything written on it can be sent to the disk at once.
class HeldVolume {
public:
    virtual ~HeldVolume() = default;
    virtual bool Flush() = 0;
};

struct Written {
    CopyOutcome outcome;
    std::unique_ptr<WrittenFile> file;  // when Copied
};

// Paths use "\" as the only separator. A folder path may come with or without its final
// separator; the file system takes both. What the copy reads goes by path, as the platform
// resolves paths; what it writes goes through held folders.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The folder as this file system wants the roots of a copy, with its final separator.
    virtual std::wstring Root(const std::wstring& folder) { return folder; }
    // Every entry of the folder, "." and ".." possibly among them. False when it can't be listed.
    virtual bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) = 0;
    // A link's own attributes where the path ends in one.
    virtual std::optional<std::uint32_t> Attributes(const std::wstring& path) = 0;
    // Nothing when no entry is there.
    virtual std::optional<FoundEntry> Lookup(const std::wstring& path) = 0;
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

    // The folder at path, held: its parent reached as the platform resolves paths, the folder
    // itself never a link. With create it is made first (one level), and the hold fails when
    // anything stands there. Nothing when it is missing, a link, no folder, or can't be opened.
    virtual std::unique_ptr<HeldFolder> Hold(const std::wstring& path, bool create) = 0;
    // The same for the folder of that name in a held one. A name that reaches another folder
    // through its short alias is refused too.
    virtual std::unique_ptr<HeldFolder> HoldIn(HeldFolder& parent, std::wstring_view name, bool create) = 0;
    // Copies the file at from to a new entry of the folder, made so that the copy fails when any
    // entry answers to the name, a short alias included. The copy takes the source's attributes
    // and time of last change, its read-only mark dropped with dropReadOnly. Stopped when
    // pacing said stop between chunks. Whatever the outcome but Copied, nothing stays under the
    // name. Called from several threads at once, each with its own file; so are Attributes,
    // Lookup, CompareNames, HoldIn, ClearAttributesIn, RemoveIn and what WrittenFile does.
    virtual Written CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                             CopyPacing& pacing) = 0;
    // Clears every attribute of a file of the folder: a normal file. False when it can't, or a
    // link stands under the name.
    virtual bool ClearAttributesIn(HeldFolder& folder, std::wstring_view name) = 0;
    // Deletes a file of the folder, whatever its attributes; never a link or what it leads to.
    // True when nothing is there any more.
    virtual bool RemoveIn(HeldFolder& folder, std::wstring_view name) = 0;
    // The volume that holds the existing folder; nothing where it can't be opened so (only an
    // administrator may, and a share can't be).
    virtual std::unique_ptr<HeldVolume> HoldVolume(const std::wstring& folder) = 0;
};

}  // namespace setup
