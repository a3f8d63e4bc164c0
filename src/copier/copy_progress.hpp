#pragma once
// The copier's only road to its window, and how its own phases give the window its turn.
// Platform-free: the wizard implements CopyProgress over its progress bar.
#include <chrono>
#include <cstddef>

namespace setup {

class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    virtual void SetRange(int maximum) = 0;  // minimum is always 0
    virtual void SetValue(int copied) = 0;   // called for each copied file (the sink throttles)
    virtual void Finish(int copied) = 0;     // on every return: the exact final value
    // At least once per copied file, and every few folders listed or made. Only ever called on
    // the copy's own thread, as is all of this class.
    virtual void YieldToWindow() = 0;
    // While files are in flight: answers the window as its messages come, and returns when
    // some have been handled or after at most `most`.
    virtual void WaitWithWindow(std::chrono::milliseconds most) = 0;
    virtual bool StopRequested() const = 0;
};

// Listing, the survey and folder creation pause for the window now and then as the copy does
// once per file: a tree of 20,000 folders takes seconds to list and as long to build. A folder
// costs about as much as a hundred listed names, and a yield far less than either.
inline constexpr std::size_t kFolderWork = 128;

class Pacer {
public:
    static constexpr std::size_t kWorkPerYield = 1024;

    explicit Pacer(CopyProgress* progress) : progress_(progress) {}
    // Counts work done; yields once enough has gathered. False when the window asks to stop.
    bool Step(std::size_t work) {
        if (!progress_) return true;
        done_ += work;
        if (done_ < kWorkPerYield) return true;
        done_ = 0;
        progress_->YieldToWindow();
        return !progress_->StopRequested();
    }

private:
    CopyProgress* progress_;
    std::size_t done_ = 0;
};

}  // namespace setup
