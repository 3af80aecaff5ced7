#include <unistd.h>

#include <cstdio>

#include "device/Backends.h"
#include "device/Routes.h"
#include "device/link/KvdProtocol.h"
#include "device/tty/TtyBackend.h"
#include "device/usb/UsbBackend.h"
#include "text/Text.h"

namespace qzt {

AutoLibrary::AutoLibrary(TtyPaths paths, std::shared_ptr<FtLibrary> usb)
    : paths_(std::move(paths)), usb_(usb ? std::move(usb) : std::make_shared<UsbLibrary>()) {}

FtStatus AutoLibrary::OpenByDescription(std::string_view description,
                                        std::unique_ptr<FtHandle>& handle) {
    if (const std::optional<std::string> port = FindTtyByDescription(description, paths_)) {
        TtyLibrary tty(*port, paths_);
        const FtStatus status = tty.OpenByDescription(description, handle);
        problem_ = tty.OpenFailureReason();
        return status;
    }
    const FtStatus status = usb_->OpenByDescription(description, handle);
    problem_ = usb_->OpenFailureReason();
    // The box is on the bus but no serial port carries it: the kernel's
    // driver does not know its product id, and libftdi1 could not have it.
    if (status != FtStatus::Ok) {
        if (const std::optional<std::string> id = FindUsbDeviceByDescription(description, paths_)) {
            problem_ = TextF(txt::ReasonNoKernelDriver, *id);
        }
    }
    return status;
}

std::shared_ptr<FtLibrary> MakeUsbRoute(const std::string& serial) {
    return std::make_shared<UsbLibrary>(LibFtdi(), serial);
}

std::shared_ptr<FtLibrary> MakeTtyRoute(const std::string& port, const TtyPaths& paths) {
    return std::make_shared<TtyLibrary>(port, paths);
}

std::shared_ptr<FtLibrary> MakeAutoRoute(const TtyPaths& paths) {
    return std::make_shared<AutoLibrary>(paths);
}

std::vector<FoundDevice> FindRouteDevices(const TtyPaths& paths) {
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
    return found;
}

}  // namespace qzt
