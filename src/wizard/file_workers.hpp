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
#include <vector>

#include "wizard/file_system.hpp"

namespace setup {

class FileWorkers {
public:
    // One file's whole copy, on a worker. An exception it lets out is that file's failure.
    using Job = std::function<CopyOutcome(std::size_t index, CopyPacing& pacing)>;

    // Starts up to workers threads (never more than there are files) on files 0 to count - 1.
    FileWorkers(std::size_t count, int workers, Job job);
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
    class Pacing;
    void Work() noexcept;
    void HaltLocked(CopyOutcome why);

    const std::size_t count_;
    const Job job_;
    // Taking a file and counting it are lock-free: under Wine a lock that two threads meet
    // costs a round trip to the Wine server, dearer than a small file's copy.
    std::atomic<std::size_t> next_ = 0;
    std::atomic<std::size_t> done_ = 0;
    std::atomic<bool> halt_ = false;  // written under lock_
    std::mutex lock_;
    std::condition_variable ended_;   // the last worker has ended
    std::condition_variable halted_;  // for the workers waiting before a retry
    std::size_t running_ = 0;
    CopyOutcome outcome_ = CopyOutcome::Copied;
    std::vector<std::thread> threads_;
};

}  // namespace setup
