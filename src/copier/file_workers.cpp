#include "copier/file_workers.hpp"

#include <algorithm>
#include <utility>

namespace setup {
namespace {

// Throughput is judged over at least this long and this many files; the sample after a change
// mixes two counts and is not judged. Two are tried first, then the counts beside the best so
// far; the best is kept, and tried again with its neighbours a while later, since what a disk or
// a scanner allows changes: after a second, then twice as long each time, up to eight. More copies are kept only where they copy clearly more:
// each one more costs the processor and the disk something.
constexpr std::chrono::milliseconds kSample{50};
constexpr std::size_t kSampleFiles = 16;
constexpr double kClearlyMore = 1.1;
constexpr std::chrono::milliseconds kFirstKeep{1000};
constexpr std::chrono::milliseconds kLongestKeep{8000};
// When none of the files in flight has ended for four times as long as a file has taken here,
// and at least this long, they are held up (long files, a stalled share): the next count up is
// let copy.
constexpr std::chrono::milliseconds kHeldUp{1000};
constexpr int kHeldUpFiles = 4;

}  // namespace

class FileWorkers::Pacing final : public CopyPacing {
public:
    explicit Pacing(FileWorkers& workers) : workers_(workers) {}
    bool KeepGoing() override { return !workers_.halt_; }
    bool Pause(std::chrono::milliseconds wait) override {
        std::unique_lock<std::mutex> hold(workers_.lock_);
        return !workers_.wake_.wait_for(hold, wait, [this] { return workers_.halt_.load(); });
    }

private:
    FileWorkers& workers_;
};

FileWorkers::FileWorkers(std::size_t count, int workers, Job job, Start start)
    : count_(count), job_(std::move(job)), begun_(Clock::now()), keepFor_(kFirstKeep) {
    std::size_t wanted = workers < 1 ? 1 : static_cast<std::size_t>(workers);
    if (wanted > count) wanted = count;
    threads_.reserve(wanted);
    // One, two and all of them, as many of these as there are.
    for (const std::size_t level : {std::size_t{1}, std::size_t{2}, wanted})
        if (level <= wanted && (levelCount_ == 0 || levels_[levelCount_ - 1] < level)) levels_[levelCount_++] = level;
    // The first judgement comes after a settling sample at two, where two may copy.
    trying_ = std::min<std::size_t>(1, levelCount_ - 1);
    sampleStart_ = begun_;
    lastDone_ = begun_.time_since_epoch().count();
    const std::lock_guard<std::mutex> hold(lock_);
    allowed_ = levels_[trying_];
    for (std::size_t i = 0; i < wanted; ++i) {
        // Whatever a start throws, the workers that did start must not meet a destroyed thread
        // object: they are the ones that copy. Nothing after this loop can throw.
        try {
            threads_.push_back(start([this] { Work(); }));
        } catch (...) {
            break;
        }
        ++running_;
        ++started_;
    }
    if (threads_.empty() && count > 0) HaltLocked(CopyOutcome::Failed);
}

FileWorkers::~FileWorkers() {
    Halt(CopyOutcome::Stopped);
    for (std::thread& thread : threads_) thread.join();
}

void FileWorkers::HaltLocked(CopyOutcome why) {
    if (halt_) return;
    halt_ = true;
    outcome_ = why;
    wake_.notify_all();
}

// Never more than were started: the levels were counted on all of them.
void FileWorkers::Allow(std::size_t copies) {
    const std::lock_guard<std::mutex> hold(lock_);
    allowed_ = std::max<std::size_t>(1, std::min(copies, started_.load()));
    wake_.notify_all();
}

void FileWorkers::Halt(CopyOutcome why) {
    const std::lock_guard<std::mutex> hold(lock_);
    if (running_ > 0) HaltLocked(why);
}

// Of the counts measured, the smallest unless a larger one copies clearly more.
std::size_t FileWorkers::Best() const {
    std::size_t best = levelCount_;
    for (std::size_t i = 0; i < levelCount_; ++i)
        if (rates_[i] > 0 && (best == levelCount_ || rates_[i] > rates_[best] * kClearlyMore)) best = i;
    return best;
}

// Called by whichever thread holds judging_.
void FileWorkers::Judge(Clock::time_point now) {
    const std::size_t done = done_;
    if (done - sampleDone_ < kSampleFiles || now - sampleStart_ < kSample) return;
    const double rate =
        static_cast<double>(done - sampleDone_) / std::chrono::duration<double>(now - sampleStart_).count();
    sampleStart_ = now;
    sampleDone_ = done;
    switch (phase_) {
        case Phase::Settling:
            phase_ = Phase::Measuring;
            return;
        case Phase::Measuring: {
            rates_[trying_] = rate;
            // From the best so far, its neighbours not tried yet, the larger count first: where
            // all copy clearly more than two, one is not worth a sample, which costs the copy.
            const std::size_t best = Best();
            for (const std::size_t next : {best + 1, best - 1}) {
                if (next < levelCount_ && rates_[next] == 0) {
                    trying_ = next;
                    Allow(levels_[trying_]);
                    phase_ = Phase::Settling;
                    return;
                }
            }
            trying_ = best;
            Allow(levels_[best]);
            phase_ = Phase::Keeping;
            keepUntil_ = now + keepFor_;
            keepFor_ = std::min<Clock::duration>(keepFor_ * 2, kLongestKeep);
            return;
        }
        case Phase::Keeping:
            if (now < keepUntil_) return;
            // Tried again from scratch, starting with the one kept.
            rates_ = {};
            phase_ = Phase::Measuring;
            return;
    }
}

void FileWorkers::Watch(Clock::time_point now) {
    if (judging_.test_and_set(std::memory_order_acquire)) return;
    const Clock::time_point last{Clock::duration(lastDone_.load())};
    const std::size_t allowed = allowed_;
    const std::size_t done = done_;
    Clock::duration heldUp = kHeldUp;
    if (done > 0)
        heldUp = std::max(heldUp, (last - begun_) * static_cast<Clock::rep>(kHeldUpFiles * allowed) /
                                      static_cast<Clock::rep>(done));
    if (now - last >= heldUp && active_ >= allowed && trying_ + 1 < levelCount_) {
        Allow(levels_[++trying_]);
        lastDone_ = now.time_since_epoch().count();
        // What was measured before says nothing of now: from scratch, after a settling sample.
        rates_ = {};
        phase_ = Phase::Settling;
        sampleStart_ = now;
        sampleDone_ = done;
    }
    judging_.clear(std::memory_order_release);
}

FileWorkers::Progress FileWorkers::Wait(std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> hold(lock_);
    const bool finished = ended_.wait_for(hold, most, [this] { return running_ == 0; });
    return {done_.load(), finished, outcome_};
}

FileWorkers::Progress FileWorkers::Look() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        if (running_ == 0) return {done_.load(), true, outcome_};
    }
    if (levelCount_ > 1) Watch(Clock::now());
    return {done_.load(), false, outcome_};
}

// A place among those let copy; false once there is nothing more to copy.
bool FileWorkers::TakeSlot() {
    for (;;) {
        if (halt_ || next_ >= count_) return false;
        std::size_t active = active_;
        if (active < allowed_) {
            if (active_.compare_exchange_weak(active, active + 1)) return true;
            continue;
        }
        std::unique_lock<std::mutex> hold(lock_);
        wake_.wait(hold, [&] { return halt_ || active_ < allowed_ || next_ >= count_; });
    }
}

void FileWorkers::Work() noexcept {
    Pacing pacing(*this);
    while (TakeSlot()) {
        const std::size_t index = next_++;
        if (index >= count_) {
            --active_;
            break;
        }
        CopyOutcome outcome = CopyOutcome::Failed;
        try {
            outcome = job_(index, pacing);
        } catch (...) {
            // Nothing crosses to the window's thread but the file's outcome.
        }
        --active_;
        if (outcome != CopyOutcome::Copied) {
            const std::lock_guard<std::mutex> hold(lock_);
            HaltLocked(outcome);
            break;
        }
        ++done_;
        const Clock::time_point now = Clock::now();
        lastDone_ = now.time_since_epoch().count();
        if (levelCount_ > 1 && !judging_.test_and_set(std::memory_order_acquire)) {
            Judge(now);
            judging_.clear(std::memory_order_release);
        }
    }
    const std::lock_guard<std::mutex> hold(lock_);
    wake_.notify_all();  // the files are all taken: the workers still waiting can end
    if (--running_ == 0) ended_.notify_all();
}

}  // namespace setup
