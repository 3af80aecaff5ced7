#include "device/Backends.h"

#include "device/BackendPlugin.h"
#include "device/Routes.h"
#include "text/Text.h"

namespace qzt {

std::shared_ptr<FtLibrary> MakeBackend(const Result<DeviceOptions>& chosen, const TtyPaths& paths) {
    if (!chosen) {
        return std::make_shared<NoBoxLibrary>(chosen.error().message);
    }
    const DeviceOptions& options = *chosen;
    switch (options.kind) {
        case DeviceKind::Usb:
            return MakeUsbRoute(options.path);
        case DeviceKind::Tty:
            return MakeTtyRoute(options.path, paths);
        case DeviceKind::Added:
            if (const BackendPlugin* plugin = FindBackend(options.backend)) {
                return plugin->make(options);
            }
            return std::make_shared<NoBoxLibrary>(TextF(txt::UnknownDevice, options.backend));
        case DeviceKind::Auto:
            break;
    }
    return MakeAutoRoute(paths);
}

}  // namespace qzt
