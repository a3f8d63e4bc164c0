#pragma once
// The copier's progress on a Win32 progress bar and the window's taskbar button, pushed at
// display rate and exact at the end.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>

#include "ui/taskbar_button.hpp"
#include "wizard/display_rate_throttle.hpp"
#include "copier/tree_copier.hpp"

namespace setup {

// The bar as the sink drives it: every message passes here, so a test sees what the control
// receives.
class ProgressBarControl {
public:
    virtual ~ProgressBarControl() = default;
    virtual LRESULT Send(UINT message, WPARAM wp, LPARAM lp) = 0;
    // Draws what the last messages asked for now, rather than at the next paint.
    virtual void Redraw() = 0;
};

class ProgressBarWindow final : public ProgressBarControl {
public:
    explicit ProgressBarWindow(HWND bar) : bar_(bar) {}
    LRESULT Send(UINT message, WPARAM wp, LPARAM lp) override { return ::SendMessageW(bar_, message, wp, lp); }
    void Redraw() override { ::UpdateWindow(bar_); }

private:
    HWND bar_;
};

class ProgressBarSink final : public CopyProgress {
public:
    // The window's messages are handled at most this often: under Wine each look at the queue
    // is a round trip to the server, dearer than a small file's copy, and a click waits at
    // most this long more.
    static constexpr std::chrono::milliseconds kPumpInterval{4};

    // Handles the window's messages waiting now, and those that come within the time given.
    using Pump = std::function<void(std::chrono::milliseconds)>;

    // stopFlag is set by the window (its Cancel) while the copier yields. The taskbar may be
    // nullptr.
    ProgressBarSink(ProgressBarControl& bar, ui::TaskbarProgress* taskbar, Pump pump, const bool& stopFlag,
                    DisplayRateThrottle::Clock clock = {});

    void SetRange(int maximum) override;
    void SetValue(int copied) override;
    void Finish(int copied) override;
    void YieldToWindow() override;
    void WaitWithWindow(std::chrono::milliseconds most) override;
    bool StopRequested() const override;

private:
    void Show(int value);
    void Push(int value);
    void DrawAtOnce(int value);
    void ShowOnTaskbar(int value);

    ProgressBarControl& bar_;
    ui::TaskbarProgress* taskbar_;
    Pump pump_;
    const bool& stopFlag_;
    DisplayRateThrottle::Clock clock_;
    DisplayRateThrottle throttle_;
    std::optional<DisplayRateThrottle::TimePoint> lastPump_;
    bool empty_ = false;
    int maximum_ = -1;  // not set yet
};

}  // namespace setup
