#include "FakeD2xx.h"

#include <windows.h>

#include <stdexcept>

#include "core/PlatformFolders.h"
#include "core/WideText.h"
#include "device/d2xx/D2xxDll.h"

namespace qzt::test {

struct FakeD2xx::Calls {
    void (*configure)(const char*, const SimFault*, std::size_t, int, long long) = nullptr;
    long long (*now)() = nullptr;
    void (*sleepFor)(long long) = nullptr;
    int (*boxOpen)() = nullptr;
    long long (*unpluggedAt)() = nullptr;
};

namespace {

template <typename Function>
void Resolve(HMODULE module, Function& function, const char* name) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    if (function == nullptr) {
        throw std::runtime_error(std::string("the fake ftd2xx.dll lacks ") + name);
    }
}

// The box's clock, across the DLL.
class DllClock : public LinkClock {
  public:
    explicit DllClock(const FakeD2xx::Calls& calls) : calls_(calls) {}
    TimePoint Now() override { return TimePoint(std::chrono::nanoseconds(calls_.now())); }
    void SleepFor(Duration duration) override {
        calls_.sleepFor(std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count());
    }

  private:
    const FakeD2xx::Calls& calls_;
};

// The route's library as the program makes it, timed on the box's clock.
class FakeD2xxRoute : public FtLibrary {
  public:
    FakeD2xxRoute(std::shared_ptr<FakeD2xx> fake, std::string serial)
        : fake_(std::move(fake)), d2xx_(std::move(serial), FakeD2xx::DllPath()) {}
    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override {
        return d2xx_.OpenByDescription(description, handle);
    }
    std::string OpenFailureReason() const override { return d2xx_.OpenFailureReason(); }
    LinkClock& Clock() override { return fake_->Clock(); }

  private:
    std::shared_ptr<FakeD2xx> fake_;
    D2xxLibrary d2xx_;
};

}  // namespace

std::wstring FakeD2xx::DllPath() {
    return WideFromUtf8(SystemFolders().ExecutableFolder() + "../fake-d2xx/ftd2xx.dll");
}

FakeD2xx::FakeD2xx(const SimSettings& settings) : calls_(std::make_unique<Calls>()) {
    HMODULE module = ::LoadLibraryW(DllPath().c_str());
    if (module == nullptr) {
        throw std::runtime_error("the fake ftd2xx.dll cannot be loaded");
    }
    module_ = module;
    Resolve(module, calls_->configure, "FakeD2xx_Configure");
    Resolve(module, calls_->now, "FakeD2xx_Now");
    Resolve(module, calls_->sleepFor, "FakeD2xx_SleepFor");
    Resolve(module, calls_->boxOpen, "FakeD2xx_BoxOpen");
    Resolve(module, calls_->unpluggedAt, "FakeD2xx_UnpluggedAt");
    calls_->configure(settings.path.c_str(), settings.faults.data(), settings.faults.size(),
                      settings.zeroTime ? 1 : 0, settings.latency.count());
    clock_ = std::make_unique<DllClock>(*calls_);
}

FakeD2xx::~FakeD2xx() {
    ::FreeLibrary(static_cast<HMODULE>(module_));
}

bool FakeD2xx::BoxOpen() const {
    return calls_->boxOpen() != 0;
}

std::optional<LinkClock::TimePoint> FakeD2xx::UnpluggedAt() const {
    const long long at = calls_->unpluggedAt();
    return at < 0 ? std::nullopt
                  : std::optional(LinkClock::TimePoint(std::chrono::nanoseconds(at)));
}

LinkClock& FakeD2xx::Clock() {
    return *clock_;
}

std::shared_ptr<FtLibrary> MakeFakeUsbLibrary(SimSettings settings, std::shared_ptr<FakeD2xx>* fake,
                                              std::string serial) {
    auto created = std::make_shared<FakeD2xx>(settings);
    if (fake != nullptr) {
        *fake = created;
    }
    return std::make_shared<FakeD2xxRoute>(std::move(created), std::move(serial));
}

}  // namespace qzt::test
