#pragma once
// A progress sink that remembers everything the copier told it, and whether it was told so on
// the thread that made it, as a window would need.
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "copier/tree_copier.hpp"

namespace setup::test {

class RecordingProgress final : public CopyProgress {
public:
    void SetRange(int maximum) override {
        Called();
        ranges.push_back(maximum);
    }
    void SetValue(int copied) override {
        Called();
        values.push_back(copied);
    }
    void Finish(int copied) override {
        Called();
        ++finishCalls;
        finished = copied;
    }
    void YieldToWindow() override {
        Called();
        ++yields;
        if (onYield) onYield(yields);
    }
    // As a window with nothing to answer: a moment's sleep.
    void WaitWithWindow(std::chrono::milliseconds) override {
        YieldToWindow();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool StopRequested() const override {
        Called();
        return stop;
    }

    std::vector<int> ranges;
    std::vector<int> values;
    std::optional<int> finished;
    int finishCalls = 0;
    int yields = 0;
    std::atomic<bool> stop = false;
    mutable std::atomic<int> offThread = 0;  // calls from any other thread
    std::function<void(int)> onYield;  // given the number of yields so far

private:
    void Called() const {
        if (std::this_thread::get_id() != owner_) ++offThread;
    }
    std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace setup::test
