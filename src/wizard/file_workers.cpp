#include "wizard/file_workers.hpp"

#include <system_error>
#include <utility>

namespace setup {

class FileWorkers::Pacing final : public CopyPacing {
public:
    explicit Pacing(FileWorkers& workers) : workers_(workers) {}
    bool KeepGoing() override { return !workers_.halt_; }
    bool Pause(std::chrono::milliseconds wait) override {
        std::unique_lock<std::mutex> hold(workers_.lock_);
        return !workers_.halted_.wait_for(hold, wait, [this] { return workers_.halt_.load(); });
    }

private:
    FileWorkers& workers_;
};

FileWorkers::FileWorkers(std::size_t count, int workers, Job job) : count_(count), job_(std::move(job)) {
    std::size_t wanted = workers < 1 ? 1 : static_cast<std::size_t>(workers);
    if (wanted > count) wanted = count;
    threads_.reserve(wanted);
    const std::lock_guard<std::mutex> hold(lock_);
    for (std::size_t i = 0; i < wanted; ++i) {
        try {
            threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // the system's limit: the workers there are will do
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
    halted_.notify_all();
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

void FileWorkers::Work() noexcept {
    Pacing pacing(*this);
    while (!halt_) {
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
        } else {
            const std::lock_guard<std::mutex> hold(lock_);
            HaltLocked(outcome);
        }
    }
    const std::lock_guard<std::mutex> hold(lock_);
    if (--running_ == 0) ended_.notify_all();
}

}  // namespace setup
