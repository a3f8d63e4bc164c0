#include "wizard/file_workers.hpp"

#include <algorithm>
#include <utility>

namespace setup {
namespace {

// Throughput is judged over at least this long and this many files. All the workers are kept
// when they copy this much faster than a few did at their best, in two samples running, or
// twice as fast in one; otherwise a few copy on and all are tried again a while later, since
// what a disk or a scanner allows changes. The first trial follows the first judged sample.
constexpr std::chrono::milliseconds kSample{50};
constexpr std::size_t kSampleFiles = 16;
constexpr double kWorthIt = 1.5;
constexpr double kClearlyWorthIt = 2.0;
constexpr std::chrono::milliseconds kTrialEvery{1000};

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

FileWorkers::FileWorkers(std::size_t count, int workers, Job job, Start start) : count_(count), job_(std::move(job)) {
    std::size_t wanted = workers < 1 ? 1 : static_cast<std::size_t>(workers);
    if (wanted > count) wanted = count;
    threads_.reserve(wanted);
    const std::lock_guard<std::mutex> hold(lock_);
    sampleStart_ = Clock::now();
    nextTrial_ = sampleStart_;
    inFlight_ = std::min(kFewInFlight, wanted);
    for (std::size_t i = 0; i < wanted; ++i) {
        // Whatever a start throws, the workers that did start must not meet a destroyed thread
        // object: they are the ones that copy. Nothing after this loop can throw.
        try {
            threads_.push_back(start([this, i] { Work(i); }));
        } catch (...) {
            break;
        }
        ++running_;
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

// Under the lock: the constructor may still be starting workers. False when nothing changes.
bool FileWorkers::SetInFlight(std::size_t copies) {
    const std::lock_guard<std::mutex> hold(lock_);
    const std::size_t allowed = std::min(copies, threads_.size());
    if (allowed == inFlight_) return false;
    inFlight_ = allowed;
    wake_.notify_all();
    return true;
}

// A few copies in flight keep a busy processor busy; more only get in each other's way there.
// Where a file's cost is waiting, a scanner's look at it above all, more overlap their waits:
// then all the workers copy. The sample after a change mixes both numbers and is not judged.
void FileWorkers::Tune(Clock::time_point now) {
    const std::size_t files = done_ - sampleDone_;
    if (files < kSampleFiles || now - sampleStart_ < kSample) return;
    const double rate = static_cast<double>(files) / std::chrono::duration<double>(now - sampleStart_).count();
    sampleStart_ = now;
    sampleDone_ = done_;
    switch (phase_) {
        case Phase::Settling:
            phase_ = Phase::Few;
            return;
        case Phase::Few:
            fewRate_ = std::max(fewRate_, rate);
            if (now < nextTrial_ || !SetInFlight(kAllInFlight)) return;
            phase_ = Phase::Trial;
            return;
        case Phase::Trial:
        case Phase::TrialAgain:
            if (rate < fewRate_ * kWorthIt) {
                SetInFlight(kFewInFlight);
                phase_ = Phase::Settling;
                fewRate_ = 0;
                nextTrial_ = now + kTrialEvery;
            } else {
                phase_ = phase_ == Phase::Trial && rate < fewRate_ * kClearlyWorthIt ? Phase::TrialAgain : Phase::All;
            }
            return;
        case Phase::All:
            return;
    }
}

void FileWorkers::Halt(CopyOutcome why) {
    const std::lock_guard<std::mutex> hold(lock_);
    if (running_ > 0) HaltLocked(why);
}

FileWorkers::Progress FileWorkers::Wait(std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> hold(lock_);
    ended_.wait_for(hold, most, [this] { return running_ == 0; });
    return {done_.load(), running_ == 0, outcome_};
}

void FileWorkers::Work(std::size_t worker) noexcept {
    Pacing pacing(*this);
    while (!halt_) {
        if (worker >= inFlight_) {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait(hold, [&] { return halt_ || worker < inFlight_ || next_ >= count_; });
            if (next_ >= count_) break;
            continue;
        }
        const std::size_t index = next_++;
        if (index >= count_) break;
        CopyOutcome outcome = CopyOutcome::Failed;
        try {
            outcome = job_(index, pacing);
        } catch (...) {
            // Nothing crosses to the window's thread but the file's outcome.
        }
        if (outcome == CopyOutcome::Copied) {
            ++done_;
            if (worker == 0) Tune(Clock::now());
        } else {
            const std::lock_guard<std::mutex> hold(lock_);
            HaltLocked(outcome);
        }
    }
    const std::lock_guard<std::mutex> hold(lock_);
    wake_.notify_all();  // the files are all taken: the workers still waiting can end
    if (--running_ == 0) ended_.notify_all();
}

}  // namespace setup
