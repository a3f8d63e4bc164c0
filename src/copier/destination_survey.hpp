#pragma once
// What the destination holds before the copy, and the folders it lacks. Platform-free.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "copier/copy_progress.hpp"
#include "copier/file_placement.hpp"
#include "copier/file_system.hpp"
#include "copier/folder_holds.hpp"
#include "copier/folder_tree.hpp"

namespace setup {

class SpaceNeed;

struct ExistingFolder {
    std::wstring path;  // with its final separator
    std::uint32_t attributes;
};
// The folder itself or the closest of its parents that exists; nothing when none does.
std::optional<ExistingFolder> NearestExistingFolder(FileSystem& fs, std::wstring folder);

// What the destination holds before the copy.
struct DestinationSurvey {
    std::vector<bool> exists;  // exists[p], p numbered as parents are, 0 the destination itself
    std::vector<Seen> seen;    // what stands under each file's name
    // The temporaries a killed copy left in the tree's folders: no one's files, and their names
    // are the copy's own. p, name.
    std::vector<std::pair<std::uint32_t, std::wstring>> leftovers;
};

// Fills survey, counting what the files the copy will replace take now; destinationAttributes
// are the destination's own, nothing when it is missing. Failed when a link stands where the
// copy would go through it: the destination itself, a folder of the tree, a temporary's name.
CopyOutcome SurveyDestination(FileSystem& fs, const FolderTree& tree, const TemporaryNames& temporaries,
                              const std::wstring& destination, std::optional<std::uint32_t> destinationAttributes,
                              DestinationSurvey& survey, SpaceNeed* need, Pacer& pacer);

// Holds the destination, made when missing, makes every folder of the tree it lacks, parents
// first, and removes the leftovers.
CopyOutcome BuildFolders(FileSystem& fs, const FolderTree& tree, FolderHolds& holds, const std::wstring& destination,
                         const DestinationSurvey& survey, Pacer& pacer);

}  // namespace setup
