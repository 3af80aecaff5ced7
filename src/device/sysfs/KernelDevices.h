#pragma once
// What the kernel shows of the USB devices and serial ports on this machine
// (sysfs), to every user whether or not this user may open them: the ttyUSB
// ports and USB devices of FTDI's vendor id that carry the box's product
// string. The tty backend, the automatic choice of a backend, the list of
// what can be found and the connection dialog all look here.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qzt {

// Where sysfs and the device nodes are (a test gives a tree of its own).
struct TtyPaths {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
};

// A sysfs attribute's first line without its line end; empty when it
// cannot be read.
std::string ReadSysfsAttribute(const std::filesystem::path& path);

// The device node of the first ttyUSB port (in name order) whose USB device
// has the FTDI vendor id and the product string `description`.
std::optional<std::string> FindTtyByDescription(std::string_view description,
                                                const TtyPaths& paths = {});

// Every ttyUSB port (in name order) whose USB device has the FTDI vendor id
// and the product string `description`.
std::vector<std::string> FindTtysByDescription(std::string_view description,
                                               const TtyPaths& paths = {});

// A USB device with the FTDI vendor id and a given product string, as sysfs
// shows it to every user (whether or not this user may open it).
struct UsbDeviceNode {
    std::string id;        // "0403:6001", as lsusb shows it
    unsigned bus = 0;      // busnum
    unsigned address = 0;  // devnum
    std::string serial;    // its serial number string, when it has one
    std::string node;      // its device node: /dev/bus/usb/BBB/DDD
    bool hasPort = false;  // a ttyUSB port of the kernel's driver carries it
};
std::vector<UsbDeviceNode> FindUsbDevicesByDescription(std::string_view description,
                                                       const TtyPaths& paths = {});

// The USB id ("0403:6001") of the first such device.
std::optional<std::string> FindUsbDeviceByDescription(std::string_view description,
                                                      const TtyPaths& paths = {});

}  // namespace qzt
