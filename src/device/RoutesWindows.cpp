#include "device/Routes.h"
#include "device/com/ComBackend.h"
#include "device/d2xx/D2xxDll.h"
#include "device/link/KvdProtocol.h"
#include "text/Text.h"

namespace qzt {
namespace {

// `auto` on Windows: the chip maker's D2XX driver, which reaches the box
// by its USB description whether or not its COM port driver is loaded;
// without a box there, the first COM port whose device reports the box's
// name. When neither reaches a box, a missing D2XX driver is the reason
// given, since installing it is what helps.
class WindowsAutoLibrary : public FtLibrary {
  public:
    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override {
        D2xxLibrary d2xx;
        FtStatus status = d2xx.OpenByDescription(description, handle);
        problem_ = d2xx.OpenFailureReason();
        if (status == FtStatus::Ok || status == FtStatus::DeviceNotOpened) {
            return status;
        }
        const std::vector<std::string> ports = FindComPortsByDescription(description);
        if (ports.empty()) {
            return status;
        }
        ComLibrary com(ports.front());
        status = com.OpenByDescription(description, handle);
        problem_ = com.OpenFailureReason();
        return status;
    }
    std::string OpenFailureReason() const override { return problem_; }

  private:
    std::string problem_;
};

}  // namespace

std::shared_ptr<FtLibrary> MakeUsbRoute(const std::string& serial) {
    return std::make_shared<D2xxLibrary>(serial);
}

std::shared_ptr<FtLibrary> MakeTtyRoute(const std::string& port, const TtyPaths&) {
    return std::make_shared<ComLibrary>(port);
}

std::shared_ptr<FtLibrary> MakeAutoRoute(const TtyPaths&) {
    return std::make_shared<WindowsAutoLibrary>();
}

std::vector<FoundDevice> FindRouteDevices(const TtyPaths&) {
    std::vector<FoundDevice> found;
    bool chosen = false;
    std::string driverProblem;
    const std::vector<D2xxDevice> boxes = D2xxLibrary().ListDevices(driverProblem);
    if (!driverProblem.empty()) {
        FoundDevice device;
        device.device = "usb";
        device.place = "ftd2xx.dll";
        device.description = std::string(kvd::kDescription);
        device.problem = driverProblem;
        found.push_back(std::move(device));
    }
    for (const D2xxDevice& box : boxes) {
        if (box.description != kvd::kDescription) {
            continue;
        }
        FoundDevice device;
        device.device = box.serial.empty() ? "usb" : "usb:" + box.serial;
        device.place = "D2XX";
        device.description = box.description;
        device.serial = box.serial;
        if (box.openedElsewhere) {
            device.problem = TextF(txt::ReasonD2xxBusy, box.serial);
        }
        device.automatic = !chosen && device.Usable();
        chosen = chosen || device.automatic;
        found.push_back(std::move(device));
    }
    for (const std::string& port : FindComPortsByDescription(kvd::kDescription)) {
        FoundDevice device;
        device.device = "tty:" + port;
        device.place = port;
        device.description = std::string(kvd::kDescription);
        device.problem = ComPortProblem(port);
        device.automatic = !chosen;
        chosen = true;
        found.push_back(std::move(device));
    }
    return found;
}

}  // namespace qzt
