#pragma once
// The time base of the link's reply waits. Normally the machine's steady
// clock (never a wrapping 32-bit tick count); a simulated box in zero-time
// mode supplies a clock that moves only when the link sleeps, so a test can
// run hundreds of time-outs in no time and still check them to the
// millisecond.

#include <chrono>

namespace qzt {

class LinkClock {
  public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~LinkClock() = default;
    virtual TimePoint Now() = 0;
    virtual void SleepFor(Duration duration) = 0;
};

// std::chrono::steady_clock and a real sleep.
LinkClock& SteadyLinkClock();

// A clock that stands still until SleepFor moves it on. Single-threaded.
class VirtualLinkClock : public LinkClock {
  public:
    TimePoint Now() override { return now_; }
    void SleepFor(Duration duration) override {
        if (duration > Duration::zero()) {
            now_ += duration;
        }
    }

  private:
    // Starts well away from the epoch so that nothing mistakes it for "unset".
    TimePoint now_ = TimePoint(std::chrono::hours(24));
};

}  // namespace qzt
