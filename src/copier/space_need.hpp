#pragma once
// What a copy will take of its volume: each file it writes rounded up to whole clusters, with
// the record the file system keeps of each new file and folder, less what the files it replaces
// hold now; and, since a file is written beside the one it replaces, the largest of those old
// files that can stand beside their new ones at once. Platform-free.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace setup {

class SpaceNeed {
public:
    // clusterBytes 0 or 1: no rounding, the volume didn't tell its cluster size. inFlight: how
    // many files are written at once.
    explicit SpaceNeed(std::uint64_t clusterBytes, std::size_t inFlight = 1)
        : cluster_(clusterBytes > 1 ? clusterBytes : 1),
          record_(cluster_ > kMinRecord ? cluster_ : kMinRecord),
          inFlight_(inFlight) {}

    // The bytes a file of this length takes on the volume.
    std::uint64_t Allocated(std::uint64_t fileBytes) const {
        const std::uint64_t clusters = fileBytes / cluster_ + (fileBytes % cluster_ != 0 ? 1 : 0);
        return clusters > kMax / cluster_ ? kMax : clusters * cluster_;
    }
    // A tree of many small files would pass a count of their data alone and then fill the disk
    // with the entries' records (a cluster or 4 KiB each, whichever is larger, is a safe bound).
    void Write(std::uint64_t fileBytes) { written_ = Sum(written_, Sum(Allocated(fileBytes), record_)); }
    void Replace(std::uint64_t fileBytes) {
        const std::uint64_t held = Sum(Allocated(fileBytes), record_);
        freed_ = Sum(freed_, held);
        // The largest old files, a min-heap of at most inFlight_.
        if (inFlight_ == 0) return;
        if (largest_.size() < inFlight_) {
            largest_.push_back(held);
            std::push_heap(largest_.begin(), largest_.end(), std::greater<>());
            heldBack_ = Sum(heldBack_, held);
        } else if (held > largest_.front()) {
            std::pop_heap(largest_.begin(), largest_.end(), std::greater<>());
            heldBack_ = Sum(heldBack_ - largest_.back(), held);
            largest_.back() = held;
            std::push_heap(largest_.begin(), largest_.end(), std::greater<>());
        }
    }
    void MakeFolder() { written_ = Sum(written_, record_); }

    std::uint64_t Bytes() const {
        const std::uint64_t peak = Sum(written_, heldBack_);
        return peak > freed_ ? peak - freed_ : 0;
    }
    bool FitsIn(std::uint64_t freeBytes) const { return Bytes() <= freeBytes; }

private:
    static constexpr std::uint64_t kMax = ~std::uint64_t{0};
    static constexpr std::uint64_t kMinRecord = 4096;
    // Saturates: a sum past 16 EiB fits in no volume anyway.
    static std::uint64_t Sum(std::uint64_t a, std::uint64_t b) { return a > kMax - b ? kMax : a + b; }

    std::uint64_t cluster_;
    std::uint64_t record_;
    std::size_t inFlight_;
    std::uint64_t written_ = 0;
    std::uint64_t freed_ = 0;
    std::vector<std::uint64_t> largest_;
    std::uint64_t heldBack_ = 0;
};

}  // namespace setup
