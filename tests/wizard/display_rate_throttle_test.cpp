#include <gtest/gtest.h>

#include <chrono>

#include "wizard/display_rate_throttle.hpp"

namespace setup::test {
namespace {

using namespace std::chrono_literals;

TEST(DisplayRateThrottle, LetsOneCheapUpdateThroughPerFrame) {
    DisplayRateThrottle::TimePoint now{};
    DisplayRateThrottle throttle([&] { return now; });
    EXPECT_FALSE(throttle.Due()) << "the interval runs from construction";
    now += 15ms;
    EXPECT_FALSE(throttle.Due());
    now += 1ms;
    ASSERT_TRUE(throttle.Due());
    throttle.Updated();
    EXPECT_FALSE(throttle.Due()) << "a due update counts as begun";
    now += 40ms;
    ASSERT_TRUE(throttle.Due());
    throttle.Updated();
    now += 10ms;
    throttle.Restart();
    now += 15ms;
    EXPECT_FALSE(throttle.Due()) << "an update made elsewhere restarts the interval";
    now += 1ms;
    EXPECT_TRUE(throttle.Due());
}

TEST(DisplayRateThrottle, SpacesDearUpdatesToKeepTheirShareSmall) {
    DisplayRateThrottle::TimePoint now{};
    DisplayRateThrottle throttle([&] { return now; });
    now += 16ms;
    ASSERT_TRUE(throttle.Due());
    now += 4ms;  // the update itself
    throttle.Updated();
    now += 95ms;
    EXPECT_FALSE(throttle.Due()) << "4 ms may take at most a 25th of the time";
    now += 1ms;
    ASSERT_TRUE(throttle.Due());
    throttle.Updated();  // cheap again: back to one a frame
    now += 16ms;
    EXPECT_TRUE(throttle.Due());
}

TEST(DisplayRateThrottle, RunsOnTheSteadyClockByDefault) {
    // Taken before the throttle starts its own clock, so the frame lies wholly after it.
    const auto start = std::chrono::steady_clock::now();
    DisplayRateThrottle throttle({}, 1ms);
    while (!throttle.Due()) ASSERT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1ms);
}

}  // namespace
}  // namespace setup::test
