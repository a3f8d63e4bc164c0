// The copy's progress as the bar and the taskbar button get it, on a real progress bar
// control: where the messages must be exact, each passes the sink's seam on its way.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <utility>
#include <vector>

#include "platform/unique_handle.hpp"
#include "wizard/progress_bar_sink.hpp"

namespace setup::test {
namespace {

using namespace std::chrono_literals;

struct Message {
    UINT id;
    WPARAM wp;
    LPARAM lp;
    friend bool operator==(const Message&, const Message&) = default;
};

void PrintTo(const Message& m, std::ostream* os) {
    const char* name = m.id == PBM_SETPOS ? "SETPOS" : m.id == PBM_SETRANGE32 ? "SETRANGE32" : "other";
    *os << name << "(" << m.wp << ", " << m.lp << ")";
}

Message SetPos(int value) { return {PBM_SETPOS, static_cast<WPARAM>(value), 0}; }
Message SetRange(int maximum) { return {PBM_SETRANGE32, 0, maximum}; }

class RecordingBar final : public ProgressBarControl {
public:
    explicit RecordingBar(HWND bar) : real_(bar) {}
    LRESULT Send(UINT message, WPARAM wp, LPARAM lp) override {
        if (message != PBM_GETRANGE) messages.push_back({message, wp, lp});
        return real_.Send(message, wp, lp);
    }
    void Redraw() override {
        ++redraws;
        real_.Redraw();
    }
    // What arrived since the last call.
    std::vector<Message> Take() { return std::exchange(messages, {}); }

    std::vector<Message> messages;
    int redraws = 0;

private:
    ProgressBarWindow real_;
};

struct Shown {
    ULONGLONG done, total;
    friend bool operator==(const Shown&, const Shown&) = default;
};

class RecordingTaskbar final : public ui::TaskbarProgress {
public:
    void ShowProgress(ULONGLONG done, ULONGLONG total) override { shown.push_back({done, total}); }
    void ShowError() override { ++errors; }
    void ShowNone() override { ++nones; }
    std::vector<Shown> shown;
    int errors = 0;
    int nones = 0;
};

class ProgressDisplay : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        ASSERT_TRUE(::InitCommonControlsEx(&controls));
        owner_.reset(
            ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(owner_);
        bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, owner_.get(), nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(bar_, nullptr);
    }
    int Position() const { return static_cast<int>(::SendMessageW(bar_, PBM_GETPOS, 0, 0)); }
    int Maximum() const { return static_cast<int>(::SendMessageW(bar_, PBM_GETRANGE, FALSE, 0)); }
    int Minimum() const { return static_cast<int>(::SendMessageW(bar_, PBM_GETRANGE, TRUE, 0)); }

    UniqueWindow owner_;
    HWND bar_ = nullptr;
    bool stop_ = false;
    DisplayRateThrottle::TimePoint now_{};
    DisplayRateThrottle::Clock clock_ = [this] { return now_; };
};

// A bar with visual styles slides up to a new position but jumps down to one: the end of a
// copy steps one past its value and back, so it is drawn at once, full or where it stopped.
TEST_F(ProgressDisplay, TheFinalPositionIsDrawnAtOnceWhereverTheCopyEnded) {
    RecordingBar bar(bar_);
    ProgressBarSink sink(bar, nullptr, nullptr, stop_, clock_);
    sink.SetRange(10);
    EXPECT_EQ(bar.Take(), (std::vector{SetRange(10), SetPos(0)}));
    // While copying, the bar may slide: one plain position at display rate.
    now_ += 20ms;
    sink.SetValue(4);
    EXPECT_EQ(bar.Take(), (std::vector{SetPos(4)}));
    sink.Finish(10);
    EXPECT_EQ(bar.Take(), (std::vector{SetRange(11), SetPos(11), SetRange(10), SetPos(10)}));
    EXPECT_EQ(Position(), 10);
    EXPECT_EQ(Maximum(), 10);
    // A copy that failed after 6 files.
    sink.Finish(6);
    EXPECT_EQ(bar.Take(), (std::vector{SetPos(7), SetPos(6)}));
    EXPECT_EQ(Position(), 6);
    EXPECT_EQ(bar.redraws, 4) << "each update is drawn before the sink returns";
}

TEST_F(ProgressDisplay, ATreeWithoutFilesEndsOnAFullBarDrawnAtOnce) {
    RecordingBar bar(bar_);
    ProgressBarSink sink(bar, nullptr, nullptr, stop_, clock_);
    sink.SetRange(0);
    bar.Take();
    sink.Finish(0);
    EXPECT_EQ(bar.Take(), (std::vector{SetRange(2), SetPos(2), SetRange(1), SetPos(1)}));
    EXPECT_EQ(Position(), 1);
    EXPECT_EQ(Maximum(), 1);
}

// Without a range of its own the sink takes the bar's: the design's 0 to 100.
TEST_F(ProgressDisplay, ABarWithoutARangeFromTheCopyEndsAtTheCountCopied) {
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    ::SendMessageW(bar_, PBM_SETPOS, 7, 0);
    RecordingBar bar(bar_);
    ProgressBarSink sink(bar, nullptr, nullptr, stop_, clock_);
    sink.Finish(0);
    EXPECT_EQ(bar.Take(), (std::vector{SetPos(1), SetPos(0)}));
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(Maximum(), 100);
}

TEST_F(ProgressDisplay, TheTaskbarButtonShowsWhatTheBarShows) {
    RecordingBar bar(bar_);
    RecordingTaskbar taskbar;
    ProgressBarSink sink(bar, &taskbar, nullptr, stop_, clock_);
    sink.SetRange(8);
    sink.SetValue(1);  // too soon after the range: neither shows it
    now_ += 20ms;
    sink.SetValue(3);
    sink.Finish(8);
    EXPECT_EQ(taskbar.shown, (std::vector<Shown>{{0, 8}, {3, 8}, {8, 8}}));
    EXPECT_EQ(taskbar.errors, 0);

    RecordingTaskbar empty;
    ProgressBarSink emptyTree(bar, &empty, nullptr, stop_, clock_);
    emptyTree.SetRange(0);
    emptyTree.Finish(0);
    EXPECT_EQ(empty.shown, (std::vector<Shown>{{1, 1}, {1, 1}}));
}

TEST_F(ProgressDisplay, MovesAtDisplayRateAndEndsExact) {
    ProgressBarWindow bar(bar_);
    ProgressBarSink sink(bar, nullptr, nullptr, stop_, clock_);
    sink.SetRange(10);
    EXPECT_EQ(Minimum(), 0);
    EXPECT_EQ(Maximum(), 10);
    EXPECT_EQ(Position(), 0);
    sink.SetValue(1);
    EXPECT_EQ(Position(), 0) << "too soon after the range was shown";
    now_ += 15ms;
    sink.SetValue(1);
    EXPECT_EQ(Position(), 0);
    now_ += 1ms;
    sink.SetValue(2);
    EXPECT_EQ(Position(), 2);
    now_ += 5ms;
    sink.SetValue(3);
    EXPECT_EQ(Position(), 2);
    sink.Finish(3);
    EXPECT_EQ(Position(), 3);
}

// The queue is looked at once per pump interval however many small files pass meanwhile.
TEST_F(ProgressDisplay, YieldsThroughItsFunctionAtMostOncePerIntervalAndReportsTheStopFlag) {
    ProgressBarWindow bar(bar_);
    int yields = 0;
    ProgressBarSink sink(bar, nullptr, [&](std::chrono::milliseconds) { ++yields; }, stop_, clock_);
    sink.YieldToWindow();
    EXPECT_EQ(yields, 1) << "the first yield is never held back";
    now_ += ProgressBarSink::kPumpInterval - 1ms;
    sink.YieldToWindow();
    EXPECT_EQ(yields, 1);
    now_ += 1ms;
    sink.YieldToWindow();
    sink.YieldToWindow();
    EXPECT_EQ(yields, 2);
    EXPECT_FALSE(sink.StopRequested());
    stop_ = true;
    EXPECT_TRUE(sink.StopRequested());
}

}  // namespace
}  // namespace setup::test
