#include "device/Backends.h"

#include "device/BackendPlugin.h"
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

std::shared_ptr<FtLibrary> MakeBackend(const Result<DeviceOptions>& chosen, const TtyPaths& paths) {
    if (!chosen) {
        return std::make_shared<NoBoxLibrary>(chosen.error().message);
    }
    const DeviceOptions& options = *chosen;
    switch (options.kind) {
        case DeviceKind::Usb:
            return std::make_shared<UsbLibrary>(LibFtdi(), options.path);
        case DeviceKind::Tty:
            return std::make_shared<TtyLibrary>(options.path, paths);
        case DeviceKind::Added:
            if (const BackendPlugin* plugin = FindBackend(options.backend)) {
                return plugin->make(options);
            }
            return std::make_shared<NoBoxLibrary>(TextF(txt::UnknownDevice, options.backend));
        case DeviceKind::Auto:
            break;
    }
    return std::make_shared<AutoLibrary>(paths);
}

}  // namespace qzt
