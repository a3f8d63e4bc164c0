#pragma once
// A progress sink that remembers everything the copier told it.
#include <functional>
#include <optional>
#include <vector>

#include "wizard/tree_copier.hpp"

namespace setup::test {

class RecordingProgress final : public CopyProgress {
public:
    void SetRange(int maximum) override { ranges.push_back(maximum); }
    void SetValue(int copied) override { values.push_back(copied); }
    void Finish(int copied) override {
        ++finishCalls;
        finished = copied;
    }
    void YieldToWindow() override {
        ++yields;
        if (onYield) onYield(yields);
    }
    bool StopRequested() const override { return stop; }

    std::vector<int> ranges;
    std::vector<int> values;
    std::optional<int> finished;
    int finishCalls = 0;
    int yields = 0;
    bool stop = false;
    std::function<void(int)> onYield;  // given the number of yields so far
};

}  // namespace setup::test
