#pragma once
// Files copied side by side: a few threads take them in list order while the window's thread
// waits for them, answering its window. Only the window's thread touches a window.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "copier/file_system.hpp"

namespace setup {

class FileWorkers {
public:
    // One file's whole copy, on a worker. An exception it lets out is that file's failure.
    using Job = std::function<CopyOutcome(std::size_t index, CopyPacing& pacing)>;
    // Starts one worker's thread. The system's own can fail, with std::system_error or
    // std::bad_alloc; a test gives one that fails so.
    using Start = std::thread (*)(std::function<void()> work);
    static std::thread StartThread(std::function<void()> work) { return std::thread(std::move(work)); }

    // Starts up to workers threads (never more than there are files) on files 0 to count - 1.
    // How many of them copy at once is measured as the copy goes: one, two or all, whichever
    // copies the most files a second. Threads that fail to start are done without; with none,
    // the copy has Failed.
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
    // Where the copy stands now. If the files in flight have all been held up for a while, more
    // workers are let copy.
    Progress Look();

private:
    using Clock = std::chrono::steady_clock;
    class Pacing;
    void Work() noexcept;
    bool TakeSlot();
    void HaltLocked(CopyOutcome why);
    void Allow(std::size_t copies);

    const std::size_t count_;
    const Job job_;
    // Taking a file, a place to copy it and counting it are lock-free: under Wine a lock that
    // two threads meet costs a round trip to the Wine server, dearer than a small file's copy.
    std::atomic<std::size_t> next_ = 0;
    std::atomic<std::size_t> done_ = 0;
    std::atomic<bool> halt_ = false;            // written under lock_
    std::atomic<std::size_t> allowed_ = 1;      // how many may copy at once; written under lock_
    std::atomic<std::size_t> active_ = 0;       // how many copy now
    std::atomic<std::size_t> started_ = 0;      // threads started
    const Clock::time_point begun_;
    std::atomic<Clock::rep> lastDone_;          // when a file was last copied
    std::mutex lock_;
    std::condition_variable ended_;  // the last worker has ended
    std::condition_variable wake_;   // a halt, more workers let copy, or the files all taken
    std::size_t running_ = 0;
    CopyOutcome outcome_ = CopyOutcome::Copied;

    // One judge at a time, whichever thread: a worker that has just copied a file, or the
    // window's thread watching for files held up.
    std::atomic_flag judging_ = ATOMIC_FLAG_INIT;
    enum class Phase { Settling, Measuring, Keeping } phase_ = Phase::Settling;
    std::array<std::size_t, 3> levels_{};  // the counts tried: one, two, all
    std::size_t levelCount_ = 0;
    std::array<double, 3> rates_{};
    std::size_t trying_ = 0;  // index into levels_
    Clock::time_point sampleStart_;
    std::size_t sampleDone_ = 0;
    Clock::time_point keepUntil_;
    Clock::duration keepFor_;
    std::size_t Best() const;
    void Judge(Clock::time_point now);
    void Watch(Clock::time_point now);

    std::vector<std::thread> threads_;
};

}  // namespace setup
