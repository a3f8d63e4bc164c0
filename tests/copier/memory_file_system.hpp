#pragma once
// An in-memory file system that behaves as Windows does where the copier cares (names that
// differ only in letter case are one name, short aliases, one-level folder creation, refusal to
// overwrite read-only, hidden or system files, a copy that cuts the file it replaces short
// before any data moves and deletes what it wrote when it is cancelled or fails) and can fail
// any chosen operation on any chosen path.
// Safe to call from several threads at once, as the copier's workers do.
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "copier/file_system.hpp"

namespace setup::test {

enum class Op { List, Attributes, ClearAttributes, ClearReadOnly, CreateFolder, Copy, Rename, Remove };

class MemoryFileSystem final : public FileSystem {
public:
    MemoryFileSystem();  // holds the empty drive "C:"

    // Missing parents are added as plain folders. Entries list in the order they were added.
    void AddFolder(const std::wstring& path, std::uint32_t attributes = 0);
    void AddFile(const std::wstring& path, std::string content = {}, std::uint32_t attributes = 0);
    // An entry that sits beside one of another spelling, as on a disk that tells letter case
    // apart; only listing sees it.
    void AddDistinct(const std::wstring& path, bool folder);
    // Once a file stands at path, alias (a name in the same folder) answers to it too.
    void SetShortName(const std::wstring& path, const std::wstring& alias);
    // A file that lists with this size whatever its content, for sizes no test can hold.
    void SetListedSize(const std::wstring& path, std::uint64_t size);
    // What Space() answers for every folder; nothing by default.
    void SetSpace(std::optional<VolumeSpace> space) { space_ = space; }
    // Paths under this prefix lie on a disc.
    void SetDisc(const std::wstring& prefix) { disc_ = Key(prefix); }
    // Paths under this prefix lie on a volume that seeks between files.
    void SetSeeking(const std::wstring& prefix) { seeking_ = Key(prefix); }

    bool IsFolder(const std::wstring& path) const;
    bool IsFile(const std::wstring& path) const;
    std::optional<std::string> Content(const std::wstring& path) const;
    std::uint32_t AttributesOf(const std::wstring& path) const;  // without the folder bit
    std::size_t FileCount() const;

    // Every later call of op that names path (as source or destination of a copy) fails; a
    // failing copy touches nothing.
    void FailOn(Op op, const std::wstring& path) { failures_.insert({op, Key(path)}); }
    // A copy asks its pacing once per this many bytes of the file (0: never), and ends
    // Stopped, leaving nothing, when the pacing says stop.
    void SetChunkSize(std::size_t bytes) { chunkSize_ = bytes; }
    // Runs in every copy, with the copy's source, once its target is open, outside the file
    // system's lock; an outcome it gives ends the copy with it.
    using CopyHook = std::function<std::optional<CopyOutcome>(const std::wstring& from, CopyPacing& pacing)>;
    void SetCopyHook(CopyHook hook) { copyHook_ = std::move(hook); }
    // Calls made, in order, with the paths as given.
    const std::vector<std::pair<Op, std::wstring>>& Calls() const { return calls_; }
    std::size_t CallCount(Op op) const;

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
    struct Node {
        bool folder = false;
        std::uint32_t attributes = 0;
        std::string content;
        std::optional<std::uint64_t> listedSize;
        std::vector<std::wstring> children;
        std::vector<std::pair<std::wstring, bool>> distinct;  // listed only
    };
    // Like Windows, repeated and trailing separators and letter case don't change the path.
    static std::wstring Clean(const std::wstring& path);
    static std::wstring Key(const std::wstring& path);
    static std::pair<std::wstring, std::wstring> Split(const std::wstring& key);
    // The key of the entry that answers to the path, by its name or its alias.
    std::optional<std::wstring> Resolve(const std::wstring& path) const;
    const Node* Find(const std::wstring& path) const;
    Node* Find(const std::wstring& path);
    void Erase(const std::wstring& key);
    bool Fails(Op op, const std::wstring& path);
    Node& Add(const std::wstring& path, bool folder);

    using Lock = std::lock_guard<std::recursive_mutex>;
    mutable std::recursive_mutex mutex_;
    CopyHook copyHook_;
    std::map<std::wstring, Node> nodes_;
    std::map<std::wstring, std::wstring> aliases_;  // alias's key -> its long name's key
    std::set<std::pair<Op, std::wstring>> failures_;
    std::vector<std::pair<Op, std::wstring>> calls_;
    std::size_t chunkSize_ = 0;
    std::optional<VolumeSpace> space_;
    std::optional<std::wstring> disc_;
    std::optional<std::wstring> seeking_;
};

// For a copy hook: waits until the copier asks the file to end; a test failure, and false, when
// it hasn't in 10 s.
bool AwaitHalt(CopyPacing& pacing);
// For a copy hook: the copy stays in flight, as on a stalled disk, until the copier asks it to
// end; it then ends as a cancelled copy does, or as a failure when no one asked.
std::optional<CopyOutcome> StallUntilHalted(CopyPacing& pacing);

}  // namespace setup::test
