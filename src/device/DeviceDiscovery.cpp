#include "device/DeviceDiscovery.h"

#include <unistd.h>

#include <cstdio>

#include "device/BackendPlugin.h"
#include "device/link/KvdProtocol.h"
#include "device/tty/TtyBackend.h"
#include "text/Text.h"

namespace qzt {

std::vector<FoundDevice> FindDevices(const DeviceOptions& options, const TtyPaths& paths) {
    std::vector<FoundDevice> found;
    const std::vector<UsbDeviceNode> boxes = FindUsbDevicesByDescription(kvd::kDescription, paths);
    // `auto` takes the first port carrying the box, and only without one the
    // box through libftdi1.
    const std::vector<std::string> ports = FindTtysByDescription(kvd::kDescription, paths);
    for (const std::string& port : ports) {
        FoundDevice device;
        device.device = "tty:" + port;
        device.place = port;
        device.description = std::string(kvd::kDescription);
        device.problem = PortProblem(port);
        device.automatic = port == ports.front();
        found.push_back(std::move(device));
    }
    for (const UsbDeviceNode& box : boxes) {
        FoundDevice device;
        device.device = "usb";
        char place[64];
        std::snprintf(place, sizeof place, "USB bus %u address %u (%s)", box.bus, box.address,
                      box.id.c_str());
        device.place = place;
        device.description = std::string(kvd::kDescription);
        device.serial = box.serial;
        // libftdi1 opens the device node itself.
        if (::access(box.node.c_str(), R_OK | W_OK) != 0) {
            device.problem =
                TextF(box.hasPort ? txt::ReasonUsbNotPermitted : txt::ReasonNoKernelDriver, box.id);
        }
        device.automatic = ports.empty() && &box == &boxes.front();
        found.push_back(std::move(device));
    }
    if (options.kind == DeviceKind::Added) {
        if (const BackendPlugin* plugin = FindBackend(options.backend)) {
            if (std::optional<FoundDevice> device = plugin->list(options)) {
                found.push_back(std::move(*device));
            }
        }
    }
    return found;
}

}  // namespace qzt
