#include "device/link/LinkClock.h"

#include <thread>

namespace qzt {
namespace {

class SteadyClock : public LinkClock {
  public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void SleepFor(Duration duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace

LinkClock& SteadyLinkClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace qzt
