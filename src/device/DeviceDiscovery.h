#pragma once
// What the program can find to talk to: the kernel serial ports that carry
// the KVD box, the boxes on USB (for the libftdi1 route), and the simulated
// unit the options name; for each, whether this program could use it now
// and, when not, why and what to do about it. The connection dialog and
// `qzt devices` show this list.

#include <string>
#include <vector>

#include "device/DeviceOptions.h"
#include "device/sysfs/KernelDevices.h"

namespace qzt {

struct FoundDevice {
    // The --device= value that reaches it: "tty:/dev/ttyUSB0", "usb",
    // "sim:PATH".
    std::string device;
    // What it is: the port, the USB bus and address, the memory file or
    // the folder of units.
    std::string place;
    // The box's USB product string and serial number (the simulated box has
    // its own).
    std::string description;
    std::string serial;
    // Why this program could not use it now, with what to do about it;
    // empty when it could.
    std::string problem;
    // What `auto` would choose.
    bool automatic = false;

    bool Usable() const { return problem.empty(); }
};

// Everything found, kernel ports first, then USB boxes, then the simulated
// unit of `options` (when they name one). Ports are opened and closed again
// to see whether they can be had; a port another program holds is left as
// it is.
std::vector<FoundDevice> FindDevices(const DeviceOptions& options, const TtyPaths& paths = {});

}  // namespace qzt
