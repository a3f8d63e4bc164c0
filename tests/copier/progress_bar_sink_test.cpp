// The progress bar sink on a real progress bar control.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>

#include "platform/unique_handle.hpp"
#include "wizard/progress_bar_sink.hpp"

namespace setup::test {
namespace {

using namespace std::chrono_literals;

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyWindow(h); }
};

class ProgressBar : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        ASSERT_TRUE(::InitCommonControlsEx(&controls));
        owner_.reset(::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 300, 100, nullptr, nullptr,
                                       nullptr, nullptr));
        ASSERT_TRUE(owner_);
        bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, owner_.get(),
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(bar_, nullptr);
        ::SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
        ::SendMessageW(bar_, PBM_SETPOS, 7, 0);
    }
    int Position() const { return static_cast<int>(::SendMessageW(bar_, PBM_GETPOS, 0, 0)); }
    int Maximum() const { return static_cast<int>(::SendMessageW(bar_, PBM_GETRANGE, FALSE, 0)); }
    int Minimum() const { return static_cast<int>(::SendMessageW(bar_, PBM_GETRANGE, TRUE, 0)); }

    UniqueHandle<WindowTraits> owner_;
    HWND bar_ = nullptr;
    bool stop_ = false;
    DisplayRateThrottle::TimePoint now_{};
    DisplayRateThrottle::Clock clock_ = [this] { return now_; };
};

TEST_F(ProgressBar, MovesAtDisplayRateAndEndsExact) {
    ProgressBarSink sink(bar_, nullptr, stop_, clock_);
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

TEST_F(ProgressBar, ShowsAFullBarForATreeWithoutFiles) {
    ProgressBarSink sink(bar_, nullptr, stop_, clock_);
    sink.SetRange(0);
    sink.Finish(0);
    EXPECT_EQ(Maximum(), 1);
    EXPECT_EQ(Position(), 1);
}

TEST_F(ProgressBar, EndsAtTheCountCopiedWhenNoRangeWasSet) {
    ProgressBarSink sink(bar_, nullptr, stop_, clock_);
    sink.Finish(0);
    EXPECT_EQ(Position(), 0);
}

// The queue is looked at once per pump interval however many small files pass meanwhile.
TEST_F(ProgressBar, YieldsThroughItsFunctionAtMostOncePerIntervalAndReportsTheStopFlag) {
    int yields = 0;
    ProgressBarSink sink(bar_, [&] { ++yields; }, stop_, clock_);
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
