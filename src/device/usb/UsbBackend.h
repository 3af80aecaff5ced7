#pragma once
// The backend `usb`: the box through libftdi1, for a box the kernel's serial
// driver does not hold (or when the program is told to go this way). Every
// FTDI device (vendor 0x0403, any product id) is asked for its USB
// description; the one that matches is opened. The kernel driver, where
// bound, is detached only while the handle is open and attached again at
// close, so the box's serial port comes back afterwards.
//
// The chip hands received bytes to the host only in answer to a USB bulk
// read, and answers one only when its latency timer runs out (or a whole
// packet is waiting). The backend lowers the timer from the chip's power-on
// 16 ms to 2 ms; a chip that refuses keeps 16 ms and still works, only a
// little slower. Either way every USB read is allowed longer than the
// latency the chip runs at, so a read never gives up on bytes the chip was
// about to pass on, and what has been collected is kept until the link
// takes it.

#include <memory>

#include "device/link/D2xx.h"
#include "device/usb/FtdiApi.h"

namespace qzt {

class UsbLibrary : public FtLibrary {
  public:
    // On the calls `api` makes: the machine's USB bus, or a test's. With a
    // `serial` number, only the box that carries it (usb:SERIAL).
    explicit UsbLibrary(std::shared_ptr<FtdiApi> api = LibFtdi(), std::string serial = {});

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;
    LinkClock& Clock() override { return api_->Clock(); }
    std::string OpenFailureReason() const override { return problem_; }

  private:
    std::shared_ptr<FtdiApi> api_;
    std::string serial_;
    std::string problem_;
};

}  // namespace qzt
