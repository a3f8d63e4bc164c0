#pragma once
// The listing of a whole source tree, before anything is created or copied. Platform-free.
#include <string>
#include <string_view>

#include "copier/copy_progress.hpp"
#include "copier/file_system.hpp"
#include "copier/folder_tree.hpp"

namespace setup {

class SpaceNeed;

// Lists the tree below base (with its final separator) in the copier's order: a folder's own
// listing is complete before any of its subfolders is entered, and its subfolders' subtrees
// follow one another. Failed when a folder can't be listed, holds a link, or holds two names
// the file system takes for one; Stopped when the window asks. need, if given, counts what the files will take.
CopyOutcome ListTree(FileSystem& fs, const std::wstring& base, FolderTree& tree, Pacer& pacer, SpaceNeed* need);

// The same, unpaced, from a root with or without its final separator: false on any failure.
bool FindFiles(FileSystem& fs, std::wstring_view root, FolderTree& tree);

}  // namespace setup
