#pragma once
// The backend `usb`: the box through libftdi1, for a box the kernel's serial
// driver does not hold (or when the program is told to go this way). Every
// FTDI device (vendor 0x0403, any product id) is asked for its USB
// description; the one that matches is opened. The kernel driver, where
// bound, is detached only while the handle is open and attached again at
// close, so the box's serial port comes back afterwards.

#include "device/link/D2xx.h"

namespace qzt {

class UsbLibrary : public FtLibrary {
  public:
    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
};

}  // namespace qzt
