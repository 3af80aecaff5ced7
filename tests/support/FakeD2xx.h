#pragma once
// The D2XX route on Windows with our fake ftd2xx.dll (fake-d2xx/) in place
// of the driver: the route's own D2xxLibrary loads the fake, whose box is
// the simulated one with the test's memory file and faults; the link runs on
// the box's clock, so zero time holds across the DLL. The same calls as the
// fake USB bus of Linux (FakeFtdi.h) where the device tests ask the chip.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "device/link/D2xx.h"
#include "device/link/LinkClock.h"
#include "device/sim/SimSettings.h"

namespace qzt::test {

class FakeD2xx {
  public:
    // Loads the fake DLL and sets its box up with `settings`.
    explicit FakeD2xx(const SimSettings& settings);
    ~FakeD2xx();
    FakeD2xx(const FakeD2xx&) = delete;
    FakeD2xx& operator=(const FakeD2xx&) = delete;

    bool BoxOpen() const;
    std::optional<LinkClock::TimePoint> UnpluggedAt() const;
    LinkClock& Clock();

    // Where the fake DLL is: fake-d2xx/ftd2xx.dll beside the test's folder.
    static std::wstring DllPath();

    struct Calls;

  private:
    void* module_ = nullptr;
    std::unique_ptr<Calls> calls_;
    std::unique_ptr<LinkClock> clock_;
};

// The D2XX route (usb:SERIAL, the first box without `serial`) on the fake
// DLL whose box runs with `settings`; `fake`, when given, receives the fake.
std::shared_ptr<FtLibrary> MakeFakeUsbLibrary(SimSettings settings,
                                              std::shared_ptr<FakeD2xx>* fake = nullptr,
                                              std::string serial = {});

}  // namespace qzt::test
