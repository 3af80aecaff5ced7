#include "device/sysfs/KernelDevices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "device/link/KvdProtocol.h"

namespace qzt {
namespace {

namespace fs = std::filesystem;

// The USB device above a tty's sysfs node: the nearest ancestor with a
// product string (port -> interface -> device).
std::optional<fs::path> UsbDeviceOf(const fs::path& ttyClassEntry) {
    std::error_code ec;
    fs::path node = fs::canonical(ttyClassEntry / "device", ec);
    if (ec) {
        return std::nullopt;
    }
    for (int level = 0; level < 4 && node.has_relative_path(); ++level) {
        if (fs::exists(node / "product", ec) && fs::exists(node / "idVendor", ec)) {
            return node;
        }
        node = node.parent_path();
    }
    return std::nullopt;
}

}  // namespace

std::string ReadSysfsAttribute(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string value;
    std::getline(in, value);
    while (!value.empty() &&
           (value.back() == '\n' || value.back() == '\r' || value.back() == ' ')) {
        value.pop_back();
    }
    return value;
}

std::optional<std::string> FindTtyByDescription(std::string_view description,
                                                const TtyPaths& paths) {
    std::vector<std::string> ports = FindTtysByDescription(description, paths);
    return ports.empty() ? std::nullopt : std::optional(ports.front());
}

std::vector<std::string> FindTtysByDescription(std::string_view description,
                                               const TtyPaths& paths) {
    std::vector<std::string> ports;
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(paths.sysfsRoot) / "class/tty", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("ttyUSB")) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    char vendor[8];
    std::snprintf(vendor, sizeof vendor, "%04x", kvd::kFtdiVendorId);
    for (const std::string& name : names) {
        const auto usb = UsbDeviceOf(fs::path(paths.sysfsRoot) / "class/tty" / name);
        if (usb && ReadSysfsAttribute(*usb / "idVendor") == vendor &&
            ReadSysfsAttribute(*usb / "product") == description) {
            ports.push_back((fs::path(paths.devRoot) / name).string());
        }
    }
    return ports;
}

std::vector<UsbDeviceNode> FindUsbDevicesByDescription(std::string_view description,
                                                       const TtyPaths& paths) {
    std::error_code ec;
    char vendor[8];
    std::snprintf(vendor, sizeof vendor, "%04x", kvd::kFtdiVendorId);
    // The devices whose port a ttyUSB entry leads to.
    std::vector<fs::path> withPort;
    for (const auto& entry : fs::directory_iterator(fs::path(paths.sysfsRoot) / "class/tty", ec)) {
        if (entry.path().filename().string().starts_with("ttyUSB")) {
            if (const auto usb = UsbDeviceOf(entry.path())) {
                withPort.push_back(*usb);
            }
        }
    }
    std::vector<UsbDeviceNode> found;
    std::vector<fs::path> entries;
    for (const auto& entry :
         fs::directory_iterator(fs::path(paths.sysfsRoot) / "bus/usb/devices", ec)) {
        entries.push_back(entry.path());
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        if (ReadSysfsAttribute(entry / "idVendor") != vendor ||
            ReadSysfsAttribute(entry / "product") != description) {
            continue;
        }
        UsbDeviceNode node;
        node.id = std::string(vendor) + ":" + ReadSysfsAttribute(entry / "idProduct");
        node.bus = static_cast<unsigned>(
            std::strtoul(ReadSysfsAttribute(entry / "busnum").c_str(), nullptr, 10));
        node.address = static_cast<unsigned>(
            std::strtoul(ReadSysfsAttribute(entry / "devnum").c_str(), nullptr, 10));
        node.serial = ReadSysfsAttribute(entry / "serial");
        char dev[32];
        std::snprintf(dev, sizeof dev, "bus/usb/%03u/%03u", node.bus % 1000, node.address % 1000);
        node.node = (fs::path(paths.devRoot) / dev).string();
        const fs::path canonical = fs::canonical(entry, ec);
        node.hasPort = std::any_of(withPort.begin(), withPort.end(), [&](const fs::path& usb) {
            return usb == canonical || usb == entry;
        });
        found.push_back(std::move(node));
    }
    return found;
}

std::optional<std::string> FindUsbDeviceByDescription(std::string_view description,
                                                      const TtyPaths& paths) {
    const std::vector<UsbDeviceNode> found = FindUsbDevicesByDescription(description, paths);
    return found.empty() ? std::nullopt : std::optional(found.front().id);
}

}  // namespace qzt
