#pragma once
// The backend a DeviceOptions value names.

#include <memory>

#include "device/DeviceOptions.h"
#include "device/link/D2xx.h"

namespace qzt {

// `auto`: the kernel serial port whose product string is the box's
// description; when there is none (or it cannot be opened), the box through
// libftdi1.
class AutoLibrary : public FtLibrary {
  public:
    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
};

// Options that were not understood reach no box at all.
class NoBoxLibrary : public FtLibrary {
  public:
    FtStatus OpenByDescription(std::string_view, std::unique_ptr<FtHandle>&) override {
        return FtStatus::DeviceNotFound;
    }
};

std::shared_ptr<FtLibrary> MakeBackend(const DeviceOptions& options);

}  // namespace qzt
