#pragma once
// The backend `tty`: the box through the kernel's FTDI serial driver, a
// /dev/ttyUSBn port. Raw termios at the requested settings, DTR cleared with
// TIOCMBIC, tcflush to purge, FIONREAD for the bytes waiting. The port is
// taken exclusively (flock and TIOCEXCL) while open, so a second program
// cannot talk over ours.
//
// The FTDI chip holds short replies until its latency timer runs out (16 ms
// out of the box); opening lowers it to 2 ms through sysfs where the port's
// attribute is writable for us (the udev rule in packaging/ makes it so).

#include <optional>
#include <string>

#include "device/link/D2xx.h"

namespace qzt {

struct TtyPaths {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
};

// The device node of the first ttyUSB port (in name order) whose USB device
// has the FTDI vendor id and the product string `description`.
std::optional<std::string> FindTtyByDescription(std::string_view description,
                                                const TtyPaths& paths = {});

class TtyLibrary : public FtLibrary {
  public:
    // `port` empty: the port is found by its USB product string.
    explicit TtyLibrary(std::string port = {}, TtyPaths paths = {});

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override;

  private:
    std::string port_;
    TtyPaths paths_;
};

}  // namespace qzt
