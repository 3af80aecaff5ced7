// A stand-in for the chip maker's ftd2xx.dll: the FT_* calls the D2XX route
// makes, answered by the project's simulated box (SimLibrary, with its
// faults and line timing). Tests load it in place of the driver, so the
// device tests run over the D2XX route under wine; a copy beside qzt.exe
// lets the command-line tool be tried the same way.
//
// A test sets the box up with FakeD2xx_Configure (the unit's memory file,
// the faults, zero time) and takes the link's time from FakeD2xx_Now and
// FakeD2xx_SleepFor, the box's own clock. Without that call the box is
// set up from the environment at the first call: QZT_FAKE_D2XX_UNIT (the
// memory file, default fake-d2xx-unit.bin in the current folder) and
// QZT_FAKE_D2XX_FAULTS, in real time.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "device/link/KvdProtocol.h"
#include "device/sim/SimBackend.h"

namespace {

using qzt::FtStatus;
using FT_STATUS = ULONG;
using FT_HANDLE = void*;

constexpr char kSerial[] = "KVD0001A";
constexpr DWORD kOpenBySerialNumber = 1;
constexpr DWORD kOpenByDescription = 2;
constexpr DWORD kFlagOpened = 1;
constexpr DWORD kDeviceType232R = 5;

struct OpenChip {
    std::unique_ptr<qzt::FtHandle> handle;
};

struct Fake {
    std::mutex mutex;
    std::optional<qzt::SimLibrary> sim;
    std::set<OpenChip*> open;
};

Fake& TheFake() {
    static Fake fake;
    return fake;
}

std::string Environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

qzt::SimLibrary& Sim() {
    Fake& fake = TheFake();
    if (!fake.sim) {
        qzt::SimSettings settings;
        settings.path = Environment("QZT_FAKE_D2XX_UNIT", "fake-d2xx-unit.bin");
        settings.faults = qzt::ParseSimFaults(Environment("QZT_FAKE_D2XX_FAULTS", ""))
                              .value_or(std::vector<qzt::SimFault>{});
        fake.sim.emplace(settings);
    }
    return *fake.sim;
}

bool BoxPresent() {
    return !Sim().Settings().Has(qzt::SimFaultKind::NoBox);
}

FT_STATUS Status(FtStatus status) {
    return static_cast<FT_STATUS>(status);
}

// The open chip behind a handle the program passes, or null for one that
// is not (or no longer) open.
qzt::FtHandle* Chip(FT_HANDLE handle) {
    auto* chip = static_cast<OpenChip*>(handle);
    return TheFake().open.count(chip) != 0 ? chip->handle.get() : nullptr;
}

template <typename Call>
FT_STATUS OnChip(FT_HANDLE handle, Call call) {
    std::lock_guard lock(TheFake().mutex);
    qzt::FtHandle* chip = Chip(handle);
    return chip != nullptr ? Status(call(*chip)) : Status(FtStatus::InvalidHandle);
}

void CopyText(void* target, std::size_t size, std::string_view text) {
    if (target != nullptr) {
        auto* out = static_cast<char*>(target);
        const std::size_t n = std::min(size - 1, text.size());
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    }
}

}  // namespace

extern "C" {

// The test's side.
__declspec(dllexport) void FakeD2xx_Configure(const char* memoryPath, const qzt::SimFault* faults,
                                              std::size_t faultCount, int zeroTime,
                                              long long latencyMicroseconds) {
    Fake& fake = TheFake();
    std::lock_guard lock(fake.mutex);
    for (OpenChip* chip : fake.open) {
        delete chip;
    }
    fake.open.clear();
    qzt::SimSettings settings;
    settings.path = memoryPath;
    settings.faults.assign(faults, faults + faultCount);
    settings.zeroTime = zeroTime != 0;
    settings.latency = std::chrono::microseconds(latencyMicroseconds);
    fake.sim.reset();
    fake.sim.emplace(settings);
}

__declspec(dllexport) long long FakeD2xx_Now() {
    std::lock_guard lock(TheFake().mutex);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               Sim().Clock().Now().time_since_epoch())
        .count();
}

__declspec(dllexport) void FakeD2xx_SleepFor(long long nanoseconds) {
    qzt::LinkClock* clock = nullptr;
    {
        std::lock_guard lock(TheFake().mutex);
        clock = &Sim().Clock();
    }
    clock->SleepFor(std::chrono::nanoseconds(nanoseconds));
}

__declspec(dllexport) int FakeD2xx_BoxOpen() {
    std::lock_guard lock(TheFake().mutex);
    return Sim().IsOpen() ? 1 : 0;
}

// When the box was pulled out, on its clock; -1 while it is in.
__declspec(dllexport) long long FakeD2xx_UnpluggedAt() {
    std::lock_guard lock(TheFake().mutex);
    const auto at = Sim().Traffic().unpluggedAt;
    return at ? std::chrono::duration_cast<std::chrono::nanoseconds>(at->time_since_epoch()).count()
              : -1;
}

// The driver's calls.
__declspec(dllexport) FT_STATUS WINAPI FT_CreateDeviceInfoList(DWORD* count) {
    std::lock_guard lock(TheFake().mutex);
    if (count == nullptr) {
        return Status(FtStatus::InvalidParameter);
    }
    *count = BoxPresent() && !Sim().Traffic().unpluggedAt ? 1 : 0;
    return 0;
}

__declspec(dllexport) FT_STATUS WINAPI
    FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id, DWORD* location,
                           void* serial, void* description, FT_HANDLE* handle) {
    std::lock_guard lock(TheFake().mutex);
    if (index != 0 || !BoxPresent()) {
        return Status(FtStatus::DeviceNotFound);
    }
    if (flags != nullptr) {
        *flags = Sim().IsOpen() ? kFlagOpened : 0;
    }
    if (type != nullptr) {
        *type = kDeviceType232R;
    }
    if (id != nullptr) {
        *id = 0x04036001;
    }
    if (location != nullptr) {
        *location = 0x11;
    }
    CopyText(serial, 16, kSerial);
    CopyText(description, 64, qzt::kvd::kDescription);
    if (handle != nullptr) {
        *handle = nullptr;
    }
    return 0;
}

__declspec(dllexport) FT_STATUS WINAPI FT_OpenEx(void* key, DWORD flags, FT_HANDLE* handle) {
    Fake& fake = TheFake();
    std::lock_guard lock(fake.mutex);
    if (handle == nullptr || key == nullptr) {
        return Status(FtStatus::InvalidParameter);
    }
    *handle = nullptr;
    const std::string name(static_cast<const char*>(key));
    const bool matches = (flags == kOpenBySerialNumber && name == kSerial) ||
                         (flags == kOpenByDescription && name == qzt::kvd::kDescription);
    if (!matches) {
        return Status(FtStatus::DeviceNotFound);
    }
    auto chip = std::make_unique<OpenChip>();
    const FtStatus status = Sim().OpenByDescription(qzt::kvd::kDescription, chip->handle);
    if (status != FtStatus::Ok) {
        return Status(status);
    }
    *handle = chip.get();
    fake.open.insert(chip.release());
    return 0;
}

__declspec(dllexport) FT_STATUS WINAPI FT_Close(FT_HANDLE handle) {
    Fake& fake = TheFake();
    std::lock_guard lock(fake.mutex);
    auto* chip = static_cast<OpenChip*>(handle);
    if (fake.open.erase(chip) == 0) {
        return Status(FtStatus::InvalidHandle);
    }
    const FtStatus status = chip->handle->Close();
    delete chip;
    return Status(status);
}

__declspec(dllexport) FT_STATUS WINAPI FT_SetBaudRate(FT_HANDLE handle, ULONG baud) {
    return OnChip(handle, [&](qzt::FtHandle& chip) { return chip.SetBaudRate(baud); });
}

__declspec(dllexport) FT_STATUS WINAPI
    FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity) {
    return OnChip(handle, [&](qzt::FtHandle& chip) {
        return chip.SetDataCharacteristics(bits, stop, parity);
    });
}

__declspec(dllexport) FT_STATUS WINAPI
    FT_SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff) {
    return OnChip(handle,
                  [&](qzt::FtHandle& chip) { return chip.SetFlowControl(flow, xon, xoff); });
}

__declspec(dllexport) FT_STATUS WINAPI FT_ClrDtr(FT_HANDLE handle) {
    return OnChip(handle, [](qzt::FtHandle& chip) { return chip.ClrDtr(); });
}

// The simulated chip's latency comes from its settings (--sim-latency), as
// a backend that lowered it; latency-refused makes it refuse.
__declspec(dllexport) FT_STATUS WINAPI FT_SetLatencyTimer(FT_HANDLE handle, UCHAR) {
    return OnChip(handle, [](qzt::FtHandle&) {
        return Sim().Settings().Has(qzt::SimFaultKind::LatencyRefused) ? FtStatus::OtherError
                                                                       : FtStatus::Ok;
    });
}

__declspec(dllexport) FT_STATUS WINAPI
    FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    return OnChip(handle, [&](qzt::FtHandle& chip) { return chip.SetTimeouts(readMs, writeMs); });
}

__declspec(dllexport) FT_STATUS WINAPI FT_Purge(FT_HANDLE handle, ULONG mask) {
    return OnChip(handle, [&](qzt::FtHandle& chip) { return chip.Purge(mask); });
}

__declspec(dllexport) FT_STATUS WINAPI FT_GetQueueStatus(FT_HANDLE handle, DWORD* waiting) {
    return OnChip(handle, [&](qzt::FtHandle& chip) {
        std::uint32_t count = 0;
        const FtStatus status = chip.GetQueueStatus(count);
        *waiting = count;
        return status;
    });
}

__declspec(dllexport) FT_STATUS WINAPI
    FT_Read(FT_HANDLE handle, void* buffer, DWORD size, DWORD* read) {
    return OnChip(handle, [&](qzt::FtHandle& chip) {
        std::uint32_t count = 0;
        const FtStatus status =
            chip.Read(std::span(static_cast<std::uint8_t*>(buffer), size), count);
        *read = count;
        return status;
    });
}

__declspec(dllexport) FT_STATUS WINAPI
    FT_Write(FT_HANDLE handle, void* bytes, DWORD size, DWORD* written) {
    return OnChip(handle, [&](qzt::FtHandle& chip) {
        std::uint32_t count = 0;
        const FtStatus status =
            chip.Write(std::span(static_cast<const std::uint8_t*>(bytes), size), count);
        *written = count;
        return status;
    });
}

}  // extern "C"
