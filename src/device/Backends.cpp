#include "device/Backends.h"

#include "device/sim/SimBackend.h"
#include "device/tty/TtyBackend.h"
#include "device/usb/UsbBackend.h"

namespace qzt {

AutoLibrary::AutoLibrary(TtyPaths paths, std::shared_ptr<FtLibrary> usb)
    : paths_(std::move(paths)), usb_(usb ? std::move(usb) : std::make_shared<UsbLibrary>()) {}

FtStatus AutoLibrary::OpenByDescription(std::string_view description,
                                        std::unique_ptr<FtHandle>& handle) {
    if (const std::optional<std::string> port = FindTtyByDescription(description, paths_)) {
        return TtyLibrary(*port, paths_).OpenByDescription(description, handle);
    }
    return usb_->OpenByDescription(description, handle);
}

std::shared_ptr<FtLibrary> MakeBackend(const DeviceOptions& options) {
    if (!options.Valid()) {
        return std::make_shared<NoBoxLibrary>();
    }
    switch (options.kind) {
        case DeviceKind::Usb:
            return std::make_shared<UsbLibrary>();
        case DeviceKind::Tty:
            return std::make_shared<TtyLibrary>(options.ttyPath);
        case DeviceKind::Sim:
            return std::make_shared<SimLibrary>(options.sim);
        case DeviceKind::Auto:
            break;
    }
    return std::make_shared<AutoLibrary>();
}

}  // namespace qzt
