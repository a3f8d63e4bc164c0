#pragma once
// The folder tree copier: lists a whole tree, builds its folders, then copies file after file.
// Platform-free: it reaches the disk through FileSystem and its window through CopyProgress.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// windows.h defines Yield() as nothing, a relic of 16-bit Windows; the copier's Yield is real.
#ifdef Yield
#undef Yield
#endif

namespace setup {

enum class CopyOutcome { Copied, Failed, Stopped };

class CopyProgress {  // the copier's only road to its window
public:
    virtual ~CopyProgress() = default;
    virtual void SetRange(int maximum) = 0;  // minimum is always 0
    virtual void SetValue(int copied) = 0;   // called after each copied file (the sink throttles)
    virtual void Finish(int copied) = 0;     // on every return: the exact final value
    virtual void Yield() = 0;  // once per file, inside long copies, and every few folders listed or made
    virtual bool StopRequested() const = 0;
};

// File attribute bits, with the platform's values.
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
}  // namespace attr

class FolderVisitor {
public:
    virtual void Entry(std::wstring_view name, bool isFolder) = 0;

protected:
    ~FolderVisitor() = default;
};

class YieldHook {
public:
    virtual void Yield() = 0;

protected:
    ~YieldHook() = default;
};

// Paths use "\" as the only separator; folder paths handed in end with one.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Every entry of the folder, "." and ".." possibly among them. False when it can't be listed.
    virtual bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) = 0;
    virtual std::optional<std::uint32_t> Attributes(const std::wstring& path) = 0;
    virtual bool ClearAttributes(const std::wstring& path) = 0;
    virtual bool CreateFolder(const std::wstring& path) = 0;  // one level
    // With replace, an existing file is replaced; without, a taken name fails the copy. Calls
    // the hook now and then during a long copy.
    virtual bool Copy(const std::wstring& from, const std::wstring& to, bool replace, YieldHook& hook) = 0;
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
// follow one another. False when a folder can't be listed.
bool FindFiles(FileSystem& fs, std::wstring_view root, FolderTree& tree);

bool FolderExist(FileSystem& fs, const std::wstring& name);

// Copies the tree below source into destination (created one level deep when missing),
// replacing existing files whatever their attributes. Stops at the first failure and undoes
// nothing. Stopped when, at a yield, the window asked it to stop. Refuses, with Failed, to be
// entered again while it runs.
CopyOutcome CopyFolder(FileSystem& fs, CopyProgress& progress, std::wstring source,
                       std::wstring destination);

}  // namespace setup
