#pragma once
// Lets display updates through at most once per frame, and less often when an update is
// dear: under Wine a visible progress bar repaints synchronously on each position change
// (2-4 ms measured), which at 60 updates a second slowed a copy of small files by a quarter.
#include <chrono>
#include <functional>

namespace setup {

class DisplayRateThrottle {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    static constexpr std::chrono::milliseconds kFrame{16};
    // Updates may take at most this share of the time: 1/25, 4 %.
    static constexpr int kCostShare = 25;

    explicit DisplayRateThrottle(Clock clock = {}, std::chrono::nanoseconds frame = kFrame);

    // True when an interval has passed since the last update began; an update begins then.
    bool Due();
    // An update begins now, whatever the interval.
    void Restart();
    // The update that began last has ended: its cost sets the next interval.
    void Updated();

private:
    TimePoint Now() const;

    Clock clock_;
    std::chrono::nanoseconds frame_;
    std::chrono::nanoseconds interval_;
    TimePoint last_;
};

}  // namespace setup
