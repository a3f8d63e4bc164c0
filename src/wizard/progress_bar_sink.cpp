#include "wizard/progress_bar_sink.hpp"

#include <commctrl.h>

#include <utility>

namespace setup {

ProgressBarSink::ProgressBarSink(HWND bar, std::function<void()> yield, const bool& stopFlag,
                                 DisplayRateThrottle::Clock clock)
    : bar_(bar), yield_(std::move(yield)), stopFlag_(stopFlag), throttle_(std::move(clock)) {}

// The repaint is drawn inside the timed update, so the throttle sees its whole cost.
void ProgressBarSink::Push(int value) {
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(value), 0);
    ::UpdateWindow(bar_);
    throttle_.Updated();
}

void ProgressBarSink::Show(int value) {
    throttle_.Restart();
    Push(value);
}

void ProgressBarSink::SetRange(int maximum) {
    // A tree without files is complete from the start: a full bar rather than an empty range.
    empty_ = maximum <= 0;
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, empty_ ? 1 : maximum);
    Show(empty_ ? 1 : 0);
}

void ProgressBarSink::SetValue(int copied) {
    if (throttle_.Due()) Push(copied);
}

void ProgressBarSink::Finish(int copied) { Show(empty_ ? 1 : copied); }

void ProgressBarSink::YieldToWindow() {
    if (yield_) yield_();
}

bool ProgressBarSink::StopRequested() const { return stopFlag_; }

}  // namespace setup
