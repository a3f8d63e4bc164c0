#pragma once
// An in-memory file system that behaves as Windows does where the copier cares (names that
// differ only in letter case are one name, short aliases, one-level folder creation, links that
// paths follow but held folders never do, a held folder that stays the folder it was when its
// path is made to lead elsewhere, refusal to rename over a read-only file, a copy that deletes
// what it wrote when it is cancelled or fails) and can fail any chosen operation on any chosen
// path, or change the disk just after one.
// Safe to call from several threads at once, as the copier's workers do.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "copier/file_system.hpp"

namespace setup::test {

enum class Op { List, Attributes, ClearAttributes, CreateFolder, Copy, Rename, Remove };

// How the platform fails a call that changes something.
enum class Fault { AccessDenied, SharingViolation, DiskFull, PathNotFound, MediumGone, NameTaken };

// Every call that changes the disk (or, through the product store of the tests, the registry)
// asks `before` first, with its number and the faults the platform gives there: a fault named
// fails the call as that fault does. Once the change is made, `after` is told its number.
struct ChangeWatch {
    std::function<std::optional<Fault>(std::size_t change, std::span<const Fault> possible)> before;
    std::function<void(std::size_t change)> after;
};

class MemoryFileSystem final : public FileSystem {
public:
    MemoryFileSystem();  // holds the empty drive "C:"

    // Missing parents are added as plain folders; a path's first name is its drive. Entries
    // list in the order they were added.
    void AddFolder(const std::wstring& path, std::uint32_t attributes = 0);
    void AddFile(const std::wstring& path, std::string content = {}, std::uint32_t attributes = 0);
    // A link at path that leads to target, a path; a link to a folder lists as a folder.
    void AddLink(const std::wstring& path, const std::wstring& target, bool folder);
    // The entry at path taken away, as if renamed out of sight, and a link to a folder put in
    // its place: what holds it still reaches the entry itself.
    void SwapForLink(const std::wstring& path, const std::wstring& target);
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
    // Whether the volume can be opened to be flushed whole, as an administrator's can.
    void SetVolumeHeld(bool held) { volumeHeld_ = held; }

    // The storage model. A file's data reaches the disk only when it, or its volume, is flushed;
    // names made, renamed or removed are journaled at once. What a new run finds after the
    // process was killed now, or, with powerCut, after a power cut now: every name as it
    // stands, each file's data as far as it was flushed and zeros for the rest of its length.
    std::unique_ptr<MemoryFileSystem> Restarted(bool powerCut) const;
    void Watch(ChangeWatch watch);
    // For the test's own store, whose changes count as the disk's do.
    std::optional<Fault> BeginChange(std::span<const Fault> possible);
    void EndChange();
    // Whether the file's data is on the disk as it reads now.
    bool IsDurable(const std::wstring& path) const;

    // What the paths lead to now, links followed but a last one.
    bool IsFolder(const std::wstring& path) const;
    bool IsFile(const std::wstring& path) const;
    bool IsLink(const std::wstring& path) const;
    std::optional<std::string> Content(const std::wstring& path) const;
    std::uint32_t AttributesOf(const std::wstring& path) const;  // without the folder bit
    std::size_t FileCount() const;

    // Every later call of op that names path (as source or destination of a copy) fails; a
    // failing copy touches nothing.
    void FailOn(Op op, const std::wstring& path) { failures_.insert({op, Key(path)}); }
    // Runs change once, just after the first call of op that names path has done its work.
    void After(Op op, const std::wstring& path, std::function<void()> change);
    // A copy asks its pacing once per this many bytes of the file (0: never), and ends
    // Stopped, leaving nothing, when the pacing says stop.
    void SetChunkSize(std::size_t bytes) { chunkSize_ = bytes; }
    // Runs in every copy, with the copy's source, once its target is open, outside the file
    // system's lock; an outcome it gives ends the copy with it.
    using CopyHook = std::function<std::optional<CopyOutcome>(const std::wstring& from, CopyPacing& pacing)>;
    void SetCopyHook(CopyHook hook) { copyHook_ = std::move(hook); }
    // Calls made, in order, with the paths as given (a held folder's path, then the name).
    const std::vector<std::pair<Op, std::wstring>>& Calls() const { return calls_; }
    std::size_t CallCount(Op op) const;

    bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) override;
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override;
    std::optional<FoundEntry> Lookup(const std::wstring& path) override;
    int CompareNames(std::wstring_view a, std::wstring_view b) override;
    std::optional<VolumeSpace> Space(const std::wstring& folder) override;
    bool OnDisc(const std::wstring& path) override;
    bool IncursSeekPenalty(const std::wstring& path) override;
    std::unique_ptr<HeldFolder> Hold(const std::wstring& path, bool create) override;
    std::unique_ptr<HeldFolder> HoldIn(HeldFolder& parent, std::wstring_view name, bool create) override;
    std::unique_ptr<HeldVolume> HoldVolume(const std::wstring& folder) override;
    Written CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                     CopyPacing& pacing) override;
    bool ClearAttributesIn(HeldFolder& folder, std::wstring_view name) override;
    bool RemoveIn(HeldFolder& folder, std::wstring_view name) override;

private:
    enum class Kind { Folder, File, Link };
    struct Node {
        Kind kind = Kind::Folder;
        std::uint32_t attributes = 0;
        std::string content;
        std::string durable;  // what of the content is on the disk
        std::optional<std::uint64_t> listedSize;
        std::wstring target;      // a link's
        bool folderLink = false;  // a link's: it lists as a folder
        // In the order added; an entry removed leaves an empty place.
        std::vector<std::pair<std::wstring, std::shared_ptr<Node>>> children;
        std::map<std::wstring, std::size_t> byName;  // upper-cased name -> its place
        std::map<std::wstring, std::wstring> aliases;  // upper-cased alias -> a child's name
        std::vector<std::pair<std::wstring, bool>> distinct;  // listed only
    };
    using NodePtr = std::shared_ptr<Node>;
    // Where a path leads: its last name in its parent, and the entry there, if any.
    struct Place {
        NodePtr parent;
        std::wstring name;
        NodePtr node;
        std::wstring found;  // the entry's own name, which a short alias doesn't give
    };
    class Held;
    class WrittenInMemory;
    class Volume;

    // Like Windows, repeated and trailing separators and letter case don't change the path.
    static std::wstring Clean(const std::wstring& path);
    static std::wstring Key(const std::wstring& path);
    static std::wstring Upper(std::wstring_view name);
    static std::wstring Below(const std::wstring& folder, std::wstring_view name);
    // Links followed in every name but the last, and in the last too with follow. Nothing when
    // a folder on the way is missing.
    std::optional<Place> Walk(const std::wstring& path, bool follow, int depth = 0) const;
    // The child answering to name, by its own name or, with aliases, its short one.
    static std::pair<std::wstring, NodePtr> Child(const Node& folder, std::wstring_view name, bool aliases);
    static void Erase(Node& folder, std::wstring_view name);
    static void Insert(Node& folder, std::wstring name, std::shared_ptr<Node> node);
    NodePtr Add(const std::wstring& path, Kind kind);
    bool Fails(Op op, const std::wstring& path);
    void Record(Op op, const std::wstring& path);
    void RunAfter(Op op, const std::wstring& path);
    static std::uint32_t Listed(const Node& node);
    static NodePtr Clone(const Node& node, bool powerCut);
    void FlushAll(Node& folder);

    using Lock = std::lock_guard<std::recursive_mutex>;
    mutable std::recursive_mutex mutex_;
    CopyHook copyHook_;
    std::map<std::wstring, NodePtr> drives_;
    std::set<std::pair<Op, std::wstring>> failures_;
    std::vector<std::pair<std::pair<Op, std::wstring>, std::function<void()>>> after_;
    std::vector<std::pair<Op, std::wstring>> calls_;
    std::size_t chunkSize_ = 0;
    std::optional<VolumeSpace> space_;
    std::optional<std::wstring> disc_;
    std::optional<std::wstring> seeking_;
    bool volumeHeld_ = false;
    ChangeWatch watch_;
    std::size_t changes_ = 0;
};

// For a copy hook: waits until the copier asks the file to end; a test failure, and false, when
// it hasn't in 10 s.
bool AwaitHalt(CopyPacing& pacing);
// For a copy hook: the copy stays in flight, as on a stalled disk, until the copier asks it to
// end; it then ends as a cancelled copy does, or as a failure when no one asked.
std::optional<CopyOutcome> StallUntilHalted(CopyPacing& pacing);

}  // namespace setup::test
