#pragma once
// Files copied side by side: a few threads take them in list order while the window's thread
// waits for them, answering its window. Only the window's thread touches a window.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "wizard/file_system.hpp"

namespace setup {

class FileWorkers {
public:
    // One file's whole copy, on a worker. An exception it lets out is that file's failure.
    using Job = std::function<CopyOutcome(std::size_t index, CopyPacing& pacing)>;

    // As many copies as are in flight at first, and again after a trial of more that didn't pay.
    static constexpr std::size_t kFewInFlight = 2;

    // Starts one worker's thread. The system's own can fail, with std::system_error or
    // std::bad_alloc; a test gives one that fails so.
    using Start = std::thread (*)(std::function<void()> work);
    static std::thread StartThread(std::function<void()> work) { return std::thread(std::move(work)); }

    // Starts up to workers threads (never more than there are files) on files 0 to count - 1.
    // At first only kFewInFlight of them copy; all of them do once that is seen to copy faster.
    // Threads that fail to start are done without; with none, the copy has Failed.
    FileWorkers(std::size_t count, int workers, Job job, Start start = StartThread);
    // Halts, then waits for every worker: call it once Wait has said finished, or a file in
    // flight holds the caller until it returns.
    ~FileWorkers();
    FileWorkers(const FileWorkers&) = delete;
    FileWorkers& operator=(const FileWorkers&) = delete;

    // No worker takes another file, and the files in flight are asked to end. The first reason
    // given, a stop or a failure, is the result; a failing file gives Failed itself.
    void Halt(CopyOutcome why);

    struct Progress {
        std::size_t done;     // files copied
        bool finished;        // every worker has ended: nothing more will change
        CopyOutcome outcome;  // once finished
    };
    // Waits until every worker has ended, or at most this long.
    Progress Wait(std::chrono::milliseconds most);

private:
    using Clock = std::chrono::steady_clock;
    class Pacing;
    void Work(std::size_t worker) noexcept;
    void HaltLocked(CopyOutcome why);
    void Tune(Clock::time_point now);
    bool SetInFlight(std::size_t copies);
    static constexpr std::size_t kAllInFlight = static_cast<std::size_t>(-1);

    const std::size_t count_;
    const Job job_;
    // Taking a file and counting it are lock-free: under Wine a lock that two threads meet
    // costs a round trip to the Wine server, dearer than a small file's copy.
    std::atomic<std::size_t> next_ = 0;
    std::atomic<std::size_t> done_ = 0;
    std::atomic<bool> halt_ = false;           // written under lock_
    std::atomic<std::size_t> inFlight_ = 1;    // workers 0 to inFlight_ - 1 copy; written under lock_
    std::mutex lock_;
    std::condition_variable ended_;  // the last worker has ended
    std::condition_variable wake_;   // a halt, more workers let copy, or the files all taken
    std::size_t running_ = 0;
    CopyOutcome outcome_ = CopyOutcome::Copied;

    // Tune's own, used by worker 0 alone.
    enum class Phase { Settling, Few, Trial, TrialAgain, All } phase_ = Phase::Settling;
    Clock::time_point sampleStart_;
    std::size_t sampleDone_ = 0;
    double fewRate_ = 0;
    Clock::time_point nextTrial_;
    std::vector<std::thread> threads_;
};

}  // namespace setup
