#pragma once
// One file of the tree put in place. Where a file stands under its final name, the new content
// is written beside it under a temporary name, then renamed over it in one step: whatever ends
// the copy, a stop, a failure, the session's end or the process being killed, the installed file
// is the old one or the new one, never part of either. Where none stands, the file is written
// straight to its name, made new. Platform-free.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "copier/file_system.hpp"
#include "copier/folder_tree.hpp"

namespace setup {

// The temporary names, of one shape only: a mark, seven base-36 digits of the file's index in
// the tree and ".TMP", upper case ("$00000A3.TMP"). A valid short name in itself, with no "~",
// it has no alias of its own and is no other file's alias; twelve characters fit any volume.
class TemporaryNames {
public:
    // Remembers the names of the tree's own that have this shape, which are never used.
    explicit TemporaryNames(const FolderTree& tree);

    static bool HasTheShape(std::wstring_view name);
    // A name of the tree in the folder (numbered as the tree's parents are)?
    bool IsTreeName(std::uint32_t folder, std::wstring_view name) const;
    // The file's temporary name; empty when the tree holds every form of it (never, but for a
    // tree made to).
    std::wstring For(const FolderTree& tree, std::size_t file) const;

private:
    std::vector<std::pair<std::uint32_t, std::wstring>> taken_;  // sorted, names upper-cased
};

// Windows replaces no file of these attributes: read-only ever, hidden or system unless the new
// file has them too.
inline constexpr std::uint32_t kInTheWay = attr::kReadOnly | attr::kHidden | attr::kSystem;

// What the destination's survey saw under a file's final name.
enum class Seen : std::uint8_t {
    Nothing,       // its folder's listing showed no file of that name, or the copy made the folder
    File,          // a file of that name
    FileInTheWay,  // the same, read-only, hidden or system: Windows renames over none of them
    Link,          // a link to a file: replaced as a file is, never followed
    Unknown,       // its folder couldn't be listed
};

struct FileToPlace {
    std::wstring from;           // the source file
    std::wstring to;             // its final name's whole path, which only the lookups read
    std::wstring_view name;      // the final name in its folder
    std::wstring_view temporary;  // beside it, in the same folder
    Seen seen;
    bool fromDisc;   // its read-only mark is the disc's, not the product's
    bool flushEach;  // no volume to flush at the end: each file goes to the disk on its own
};

// Copies one file into its place in the held folder. Copied once it stands under its final
// name; Stopped or Failed leave whatever stood there before as it was (nothing, where nothing
// was), and no temporary behind.
CopyOutcome PlaceFile(FileSystem& fs, HeldFolder& folder, const FileToPlace& file, CopyPacing& pacing);

}  // namespace setup
