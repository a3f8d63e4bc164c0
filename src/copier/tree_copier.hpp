#pragma once
// The folder tree copier: lists a whole tree, builds its folders, then copies its files, a few
// side by side.
// Platform-free: it reaches the disk through FileSystem and its window through CopyProgress.
#include <chrono>
#include <string>

#include "copier/copy_progress.hpp"
#include "copier/file_system.hpp"
#include "copier/tree_listing.hpp"

namespace setup {

class FileWorkers;

// Reaches the files in flight of a copy under way from the window's own handlers, which run
// while the copy yields: a session that is ending may end the process as soon as its handler
// returns.
class FilesInFlight {
public:
    // No file is taken any more and those in flight are cancelled; returns once they have all
    // ended, or after at most `most`. True when none is in flight any more.
    bool HaltAndWait(std::chrono::milliseconds most);
    // The copier's: the workers of the copy under way, nullptr once they have ended.
    void Lend(FileWorkers* crew) { crew_ = crew; }

private:
    FileWorkers* crew_ = nullptr;
};

// At most how many files are copied at once, as the platform's own bulk copier does: a
// scanner's wait on one file then overlaps the others'. One, two or all of them copy, whichever
// is seen to copy the most; one only from a volume that seeks.
inline constexpr int kCopyWorkers = 8;

// Copies the tree below source into destination (created one level deep when missing),
// replacing existing files whatever their attributes. Both roots pass through the file
// system's Root() first. Fails before creating anything when the tree holds two names the
// file system takes for one, or when the destination's volume hasn't the space. Files from
// a disc lose the read-only mark every disc gives them. The files are copied by up to workers
// threads, by one only where the source's volume seeks, taken in list order; the calling
// thread waits for them, yielding to its window.
// At the first failure no file is taken any more, and those in flight finish or are cancelled;
// nothing is undone. Stopped when the window asked it to stop: no file is taken any more and
// those in flight are cancelled. Each file is written beside its final name and put in place
// whole, so an installed file is either the old one or the new one. Refuses, with Failed, to be
// entered again while it runs. inFlight, if given, reaches the files in flight meanwhile.
CopyOutcome CopyFolder(FileSystem& fs, CopyProgress& progress, std::wstring source, std::wstring destination,
                       int workers = kCopyWorkers, FilesInFlight* inFlight = nullptr);

}  // namespace setup
