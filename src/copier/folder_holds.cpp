#include "copier/folder_holds.hpp"

#include <vector>

namespace setup {

bool FolderHolds::HoldRoot(const std::wstring& destination, bool create) {
    root_ = fs_.Hold(destination, create);
    return root_ != nullptr;
}

std::shared_ptr<HeldFolder> FolderHolds::Keep(std::uint32_t p, std::unique_ptr<HeldFolder> hold) {
    if (!hold) return nullptr;
    const std::lock_guard<std::mutex> guard(lock_);
    // Another worker may have opened it meanwhile: one hold is enough.
    auto [at, added] = held_.try_emplace(p, Entry{std::move(hold), 0});
    at->second.used = ++clock_;
    std::shared_ptr<HeldFolder> kept = at->second.hold;
    if (held_.size() > most_) {
        // The one least lately used goes; whoever uses it keeps it open until done.
        auto oldest = held_.end();
        for (auto it = held_.begin(); it != held_.end(); ++it)
            if (it->first != p && (oldest == held_.end() || it->second.used < oldest->second.used)) oldest = it;
        if (oldest != held_.end()) held_.erase(oldest);
    }
    return kept;
}

std::shared_ptr<HeldFolder> FolderHolds::Make(std::uint32_t p) {
    if (p == 0) return nullptr;
    const std::shared_ptr<HeldFolder> parent = Get(tree_.folderParents[p - 1]);
    if (!parent) return nullptr;
    return Keep(p, fs_.HoldIn(*parent, tree_.folderNames[p - 1], true));
}

std::shared_ptr<HeldFolder> FolderHolds::Get(std::uint32_t p) {
    // The folders from p up to the nearest one held, then opened from there down.
    std::vector<std::uint32_t> chain;
    std::shared_ptr<HeldFolder> hold;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        for (std::uint32_t q = p;; q = tree_.folderParents[q - 1]) {
            if (q == 0) {
                hold = root_;
                break;
            }
            if (const auto at = held_.find(q); at != held_.end()) {
                at->second.used = ++clock_;
                hold = at->second.hold;
                break;
            }
            chain.push_back(q);
        }
    }
    // Outside the lock: the other workers go on meanwhile.
    for (auto q = chain.rbegin(); q != chain.rend() && hold; ++q)
        hold = Keep(*q, fs_.HoldIn(*hold, tree_.folderNames[*q - 1], false));
    return hold;
}

}  // namespace setup
