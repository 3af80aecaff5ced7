#include "device/DeviceOptions.h"

#include <cstdlib>
#include <utility>

#include "text/Text.h"

namespace qzt {
namespace {

void SetDevice(DeviceOptions& options, std::string_view value) {
    options.ttyPath.clear();
    options.sim.path.clear();
    if (value == "auto") {
        options.kind = DeviceKind::Auto;
    } else if (value == "usb") {
        options.kind = DeviceKind::Usb;
    } else if (value == "tty" || value.starts_with("tty:")) {
        options.kind = DeviceKind::Tty;
        options.ttyPath = value.size() > 4 ? std::string(value.substr(4)) : std::string();
    } else if (value.starts_with("/")) {
        // A port named by its path, as users type it: /dev/ttyUSB0.
        options.kind = DeviceKind::Tty;
        options.ttyPath = std::string(value);
    } else if (value.starts_with("sim:") && value.size() > 4) {
        options.kind = DeviceKind::Sim;
        options.sim.path = std::string(value.substr(4));
    } else if (options.error.empty()) {
        options.error = TextF(txt::UnknownDevice, value);
    }
}

}  // namespace

DeviceOptions ParseDeviceOptions(const std::vector<std::string>& arguments,
                                 const char* environmentDevice) {
    DeviceOptions options;
    bool deviceGiven = false;
    for (const std::string& argument : arguments) {
        const std::string_view arg = argument;
        if (arg == "--") {
            break;
        }
        if (arg.starts_with("--device=")) {
            deviceGiven = true;
            SetDevice(options, arg.substr(9));
        } else if (arg.starts_with("--sim-faults=")) {
            SimFaultList list = ParseSimFaults(arg.substr(13));
            if (list.error.empty()) {
                options.sim.faults = std::move(list.faults);
            } else if (options.error.empty()) {
                options.error = std::move(list.error);
            }
        } else if (arg.starts_with("--sim-latency=")) {
            if (auto latency = ParseSimLatency(arg.substr(14))) {
                options.sim.latency = *latency;
            } else if (options.error.empty()) {
                options.error = TextF(txt::InvalidSimSetting, arg);
            }
        } else if (arg.starts_with("--sim-timing=")) {
            const std::string_view timing = arg.substr(13);
            if (timing == "zero" || timing == "line") {
                options.sim.zeroTime = timing == "zero";
            } else if (options.error.empty()) {
                options.error = TextF(txt::InvalidSimSetting, arg);
            }
        }
    }
    if (!deviceGiven && environmentDevice != nullptr && *environmentDevice != '\0') {
        SetDevice(options, environmentDevice);
    }
    return options;
}

DeviceOptions ParseDeviceOptions(const std::vector<std::string>& arguments) {
    return ParseDeviceOptions(arguments, std::getenv("QZT_DEVICE"));
}

}  // namespace qzt
