#pragma once
// What the destination holds before the copy, and the folders it lacks. Platform-free.
#include <optional>
#include <string>
#include <vector>

#include "copier/copy_progress.hpp"
#include "copier/file_placement.hpp"
#include "copier/file_system.hpp"
#include "copier/folder_tree.hpp"

namespace setup {

class SpaceNeed;

bool FolderExist(FileSystem& fs, const std::wstring& name);

// The folder itself or the closest of its parents that exists, with its final separator;
// nothing when none does.
std::optional<std::wstring> NearestExistingFolder(FileSystem& fs, std::wstring folder);

// Which folders of the tree the destination already holds (exists[p], p numbered as parents
// are, 0 the destination itself), what stands under each file's name (seen[f]), and what the
// files the copy will replace take now. The temporaries a killed copy left there go: they are
// no one's files, and their names are the copy's own.
CopyOutcome SurveyDestination(FileSystem& fs, const FolderTree& tree, const TemporaryNames& temporaries,
                              const std::wstring& destination, bool destinationExists, std::vector<bool>& exists,
                              std::vector<Seen>& seen, SpaceNeed* need, Pacer& pacer);

// Creates every folder of the tree the destination lacks, parents first.
CopyOutcome BuildFolders(FileSystem& fs, const FolderTree& tree, const std::wstring& destination,
                         const std::vector<bool>& exists, Pacer& pacer);

}  // namespace setup
