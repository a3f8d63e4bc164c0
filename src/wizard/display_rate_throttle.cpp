#include "wizard/display_rate_throttle.hpp"

#include <algorithm>
#include <utility>

namespace setup {

DisplayRateThrottle::DisplayRateThrottle(Clock clock, std::chrono::nanoseconds frame)
    : clock_(std::move(clock)), frame_(frame), interval_(frame), last_(Now()) {}

DisplayRateThrottle::TimePoint DisplayRateThrottle::Now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

bool DisplayRateThrottle::Due() {
    const TimePoint now = Now();
    if (now - last_ < interval_) return false;
    last_ = now;
    return true;
}

void DisplayRateThrottle::Restart() { last_ = Now(); }

void DisplayRateThrottle::Updated() {
    const auto cost = std::chrono::duration_cast<std::chrono::nanoseconds>(Now() - last_);
    interval_ = std::max(frame_, cost * kCostShare);
}

}  // namespace setup
