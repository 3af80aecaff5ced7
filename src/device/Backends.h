#pragma once
// The backend a DeviceOptions value names.

#include <memory>

#include "device/DeviceOptions.h"
#include "device/link/D2xx.h"
#include "device/sysfs/KernelDevices.h"
#include "text/Result.h"

namespace qzt {

#ifndef _WIN32
// `auto` on Linux: the kernel serial port whose product string is the box's
// description; only when no port carries the box, the box through libftdi1.
// A port that exists but cannot be opened (another program holds it, or we
// may not open it) means no box: libftdi1 would detach the kernel driver and
// cut the other program off in the middle of its command.
class AutoLibrary : public FtLibrary {
  public:
    // `usb` null: the real libftdi1 backend.
    explicit AutoLibrary(TtyPaths paths = {}, std::shared_ptr<FtLibrary> usb = nullptr);

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
    std::string OpenFailureReason() const override { return problem_; }

  private:
    TtyPaths paths_;
    std::shared_ptr<FtLibrary> usb_;
    std::string problem_;
};
#endif

// Options that were not understood reach no box at all; the reason is the
// complaint about them.
class NoBoxLibrary : public FtLibrary {
  public:
    explicit NoBoxLibrary(std::string why = {}) : why_(std::move(why)) {}
    FtStatus OpenByDescription(std::string_view, std::unique_ptr<FtHandle>&) override {
        return FtStatus::DeviceNotFound;
    }
    std::string OpenFailureReason() const override { return why_; }

  private:
    std::string why_;
};

// The backend `options` name; refused options give one that finds no box and
// says why. The kernel ports of `tty` and `auto` are looked up under `paths`
// (the connection dialog tries an entry of what it found there).
std::shared_ptr<FtLibrary> MakeBackend(const Result<DeviceOptions>& options,
                                       const TtyPaths& paths = {});

}  // namespace qzt
