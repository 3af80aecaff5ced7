#include "device/sim/SimPlugin.h"

#include "device/Backends.h"
#include "device/sim/SimBackend.h"
#include "device/sim/SimSettings.h"
#include "device/sim/SimUnitFile.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The simulated unit as the device list shows it. Looking must not write: a
// folder without units is usable as it is (the box fills it at its first
// open).
FoundDevice ListSimulatedUnit(const std::string& path) {
    FoundDevice device;
    device.device = std::string(kSimBackendName) + ":" + path;
    device.place = path;
    device.description = Text(txt::SimulatedBox);
    if (IsSimUnitFolder(path)) {
        const auto units = ListSimUnitFiles(path);
        if (!units) {
            device.problem = TextF(txt::ReasonSimQueueUnavailable, path);
        } else if (units->empty()) {
            device.description =
                TextF(txt::SimQueueToFill, static_cast<long long>(kFreshQueueUnits));
        } else {
            device.description = units->size() == 1 ? Text(txt::SimQueueOneUnit)
                                                    : TextF(txt::SimQueueUnits,
                                                            static_cast<long long>(units->size()));
        }
    } else if (!SimUnitFile::LoadOrCreate(path)) {
        device.problem = TextF(txt::ReasonSimUnavailable, path);
    }
    return device;
}

}  // namespace

BackendPlugin SimulatedBoxPlugin() {
    BackendPlugin plugin;
    plugin.name = std::string(kSimBackendName);
    plugin.optionPrefix = std::string(kSimOptionPrefix);
    plugin.optionNames = {"--sim-faults", "--sim-latency", "--sim-timing"};
    plugin.check = [](const DeviceOptions& options) -> Result<void> {
        Result<SimSettings> settings = ParseSimSettings(options);
        if (!settings) {
            return settings.error();
        }
        return {};
    };
    plugin.make = [](const DeviceOptions& options) -> std::shared_ptr<FtLibrary> {
        Result<SimSettings> settings = ParseSimSettings(options);
        if (!settings) {
            return std::make_shared<NoBoxLibrary>(settings.error().message);
        }
        return std::make_shared<SimLibrary>(*std::move(settings));
    };
    plugin.list = [](const DeviceOptions& options) -> std::optional<FoundDevice> {
        return ListSimulatedUnit(options.path);
    };
    return plugin;
}

}  // namespace qzt
