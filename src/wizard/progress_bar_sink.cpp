#include "wizard/progress_bar_sink.hpp"

#include <commctrl.h>

#include <utility>

namespace setup {

ProgressBarSink::ProgressBarSink(ProgressBarControl& bar, ui::TaskbarProgress* taskbar, Pump pump,
                                 const bool& stopFlag, DisplayRateThrottle::Clock clock)
    : bar_(bar), taskbar_(taskbar), pump_(std::move(pump)), stopFlag_(stopFlag), clock_(clock), throttle_(clock) {}

void ProgressBarSink::ShowOnTaskbar(int value) {
    if (taskbar_ && maximum_ > 0)
        taskbar_->ShowProgress(static_cast<ULONGLONG>(value), static_cast<ULONGLONG>(maximum_));
}

// The repaint is drawn inside the timed update, so the throttle sees its whole cost.
void ProgressBarSink::Push(int value) {
    bar_.Send(PBM_SETPOS, static_cast<WPARAM>(value), 0);
    bar_.Redraw();
    ShowOnTaskbar(value);
    throttle_.Updated();
}

void ProgressBarSink::Show(int value) {
    throttle_.Restart();
    Push(value);
}

// A bar with visual styles slides towards a higher position, too slowly for the end of a
// fast copy, but jumps to a lower one: one step past the value and back draws it at once.
void ProgressBarSink::DrawAtOnce(int value) {
    if (maximum_ < 0) maximum_ = static_cast<int>(bar_.Send(PBM_GETRANGE, FALSE, 0));
    if (value >= maximum_) {
        bar_.Send(PBM_SETRANGE32, 0, value + 1);
        bar_.Send(PBM_SETPOS, static_cast<WPARAM>(value + 1), 0);
        bar_.Send(PBM_SETRANGE32, 0, maximum_);
    } else {
        bar_.Send(PBM_SETPOS, static_cast<WPARAM>(value + 1), 0);
    }
    bar_.Send(PBM_SETPOS, static_cast<WPARAM>(value), 0);
    bar_.Redraw();
}

void ProgressBarSink::SetRange(int maximum) {
    // A tree without files is complete from the start: a full bar rather than an empty range.
    empty_ = maximum <= 0;
    maximum_ = empty_ ? 1 : maximum;
    bar_.Send(PBM_SETRANGE32, 0, maximum_);
    Show(empty_ ? 1 : 0);
}

void ProgressBarSink::SetValue(int copied) {
    if (throttle_.Due()) Push(copied);
}

void ProgressBarSink::Finish(int copied) {
    const int value = empty_ ? 1 : copied;
    throttle_.Restart();
    DrawAtOnce(value);
    ShowOnTaskbar(value);
    throttle_.Updated();
}

void ProgressBarSink::YieldToWindow() {
    if (!pump_) return;
    const auto now = clock_ ? clock_() : std::chrono::steady_clock::now();
    if (lastPump_ && now - *lastPump_ < kPumpInterval) return;
    pump_(std::chrono::milliseconds(0));
    lastPump_ = now;
}

// Each look at the queue is a round trip to the Wine server: asleep until a message comes, the
// window's thread costs the workers nothing.
void ProgressBarSink::WaitWithWindow(std::chrono::milliseconds most) {
    if (!pump_) return;
    pump_(most);
    lastPump_ = clock_ ? clock_() : std::chrono::steady_clock::now();
}

bool ProgressBarSink::StopRequested() const { return stopFlag_; }

}  // namespace setup
