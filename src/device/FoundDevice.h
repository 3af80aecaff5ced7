#pragma once
// One entry of the list of what the program can find to talk to
// (device/DeviceDiscovery.h): the connection dialog and `qzt devices` show it.

#include <string>

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

}  // namespace qzt
