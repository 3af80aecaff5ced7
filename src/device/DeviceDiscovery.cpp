#include "device/DeviceDiscovery.h"

#include <unistd.h>

#include <cstdio>

#include "device/link/KvdProtocol.h"
#include "device/sim/SimUnitFile.h"
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
    if (options.kind == DeviceKind::Sim && !options.sim.path.empty()) {
        FoundDevice device;
        device.device = "sim:" + options.sim.path;
        device.place = options.sim.path;
        device.description = Text(txt::SimulatedBox);
        if (IsSimUnitFolder(options.sim.path)) {
            // A queue of units: looking must not write, so a folder without
            // units is usable as it is (the box fills it at its first open).
            const auto units = ListSimUnitFiles(options.sim.path);
            if (!units) {
                device.problem = TextF(txt::ReasonSimQueueUnavailable, options.sim.path);
            } else if (units->empty()) {
                device.description =
                    TextF(txt::SimQueueToFill, static_cast<long long>(kFreshQueueUnits));
            } else {
                device.description =
                    units->size() == 1
                        ? Text(txt::SimQueueOneUnit)
                        : TextF(txt::SimQueueUnits, static_cast<long long>(units->size()));
            }
        } else if (!SimUnitFile::LoadOrCreate(options.sim.path)) {
            device.problem = TextF(txt::ReasonSimUnavailable, options.sim.path);
        }
        found.push_back(std::move(device));
    }
    return found;
}

}  // namespace qzt
