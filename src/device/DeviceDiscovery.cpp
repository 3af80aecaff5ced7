#include "device/DeviceDiscovery.h"

#include "device/BackendPlugin.h"
#include "device/Routes.h"
#include "text/Text.h"

namespace qzt {

std::vector<FoundDevice> FindDevices(const DeviceOptions& options, const TtyPaths& paths) {
    std::vector<FoundDevice> found = FindRouteDevices(paths);
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
