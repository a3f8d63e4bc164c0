#pragma once
// The destination's folders, held for the copy a few at a time. Each is opened through its
// parent's hold, never by its path, so that no link met on the way is ever followed, and a
// folder swapped for a link once it is held is still the folder written to. Platform-free.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "copier/file_system.hpp"
#include "copier/folder_tree.hpp"

namespace setup {

class FolderHolds {
public:
    // At most `most` folders stay held besides the destination itself and those in use: a tree
    // of that many folders is opened once. Wine holds a Unix descriptor for each, of a thousand
    // a process may have by default.
    FolderHolds(FileSystem& fs, const FolderTree& tree, std::size_t most = 256) : fs_(fs), tree_(tree), most_(most) {}

    // The destination itself, made first with create. False when it can't be held.
    bool HoldRoot(const std::wstring& destination, bool create);
    // Makes folder p (numbered as parents are) in its parent, and holds it.
    std::shared_ptr<HeldFolder> Make(std::uint32_t p);
    // Folder p, held; nothing when it can't be (a link stands in its place, it is gone).
    // Called from the workers at once.
    std::shared_ptr<HeldFolder> Get(std::uint32_t p);

private:
    std::shared_ptr<HeldFolder> Keep(std::uint32_t p, std::unique_ptr<HeldFolder> hold);

    struct Entry {
        std::shared_ptr<HeldFolder> hold;
        std::uint64_t used;
    };
    FileSystem& fs_;
    const FolderTree& tree_;
    const std::size_t most_;
    std::shared_ptr<HeldFolder> root_;
    std::mutex lock_;
    std::unordered_map<std::uint32_t, Entry> held_;
    std::uint64_t clock_ = 0;
};

}  // namespace setup
