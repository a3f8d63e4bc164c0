#pragma once
// The copier's progress on a Win32 progress bar, pushed at display rate and exact at the end.
#include <windows.h>

#include <functional>

#include "wizard/display_rate_throttle.hpp"
#include "wizard/tree_copier.hpp"

namespace setup {

class ProgressBarSink final : public CopyProgress {
public:
    // stopFlag is set by the window (its Cancel) while the copier yields.
    ProgressBarSink(HWND bar, std::function<void()> yield, const bool& stopFlag, DisplayRateThrottle::Clock clock = {});

    void SetRange(int maximum) override;
    void SetValue(int copied) override;
    void Finish(int copied) override;
    void YieldToWindow() override;
    bool StopRequested() const override;

private:
    void Show(int value);
    void Push(int value);

    HWND bar_;
    std::function<void()> yield_;
    const bool& stopFlag_;
    DisplayRateThrottle throttle_;
    bool empty_ = false;
};

}  // namespace setup
