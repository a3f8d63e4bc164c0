#pragma once
// The folder tree copier: lists a whole tree, builds its folders, then copies file after file.
// Platform-free: it reaches the disk through FileSystem and its window through CopyProgress.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/file_system.hpp"

namespace setup {

class CopyProgress {  // the copier's only road to its window
public:
    virtual ~CopyProgress() = default;
    virtual void SetRange(int maximum) = 0;  // minimum is always 0
    virtual void SetValue(int copied) = 0;   // called after each copied file (the sink throttles)
    virtual void Finish(int copied) = 0;     // on every return: the exact final value
    // Once per file, inside long copies, and every few folders listed or made.
    virtual void YieldToWindow() = 0;
    virtual bool StopRequested() const = 0;
};

// Names back to back in one buffer: lean for trees of hundreds of thousands of entries.
class NameList {
public:
    bool Append(std::wstring_view name);  // false when the list is full
    std::size_t Count() const { return ends_.size(); }
    std::wstring_view operator[](std::size_t index) const;  // 0-based
    std::size_t Bytes() const;

private:
    std::wstring text_;
    std::vector<std::uint32_t> ends_;
};

// The listed tree: each entry's name and the folder it lies in, from which its relative path
// (below the root, "\" between components, no leading or trailing separator) is rebuilt.
// Parents are folder indexes plus one; 0 is the listed folder itself.
struct FolderTree {
    NameList folderNames;
    NameList fileNames;
    std::vector<std::uint32_t> folderParents;
    std::vector<std::uint32_t> fileParents;
    // Each listed folder's own files, [filesFrom, filesTo) of the file list; indexed as
    // parents are, 0 for the root.
    std::vector<std::uint32_t> filesFrom;
    std::vector<std::uint32_t> filesTo;

    std::size_t FolderCount() const { return folderNames.Count(); }
    std::size_t FileCount() const { return fileNames.Count(); }
    // Append the relative path of a folder or a file to out.
    void AppendFolderPath(std::size_t index, std::wstring& out) const;
    void AppendFilePath(std::size_t index, std::wstring& out) const;
    std::wstring FolderPath(std::size_t index) const;
    std::wstring FilePath(std::size_t index) const;
    std::size_t Bytes() const;
};

// Lists every folder and file below root into tree, in the copier's order: a folder's own
// listing is complete before any of its subfolders is entered, and its subfolders' subtrees
// follow one another. False when a folder can't be listed, or holds two names the file
// system takes for one.
bool FindFiles(FileSystem& fs, std::wstring_view root, FolderTree& tree);

bool FolderExist(FileSystem& fs, const std::wstring& name);

// Copies the tree below source into destination (created one level deep when missing),
// replacing existing files whatever their attributes. Both roots pass through the file
// system's Root() first. Fails before creating anything when the tree holds two names the
// file system takes for one, or when the destination's volume hasn't the space. Files from
// a disc lose the read-only mark every disc gives them. Stops at the first failure and
// undoes nothing. Stopped when the window asked it to stop, at a yield between files or
// inside a long one. Refuses, with Failed, to be entered again while it runs.
CopyOutcome CopyFolder(FileSystem& fs, CopyProgress& progress, std::wstring source, std::wstring destination);

}  // namespace setup
