#include "device/DeviceChoice.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include "device/BackendPlugin.h"
#include "text/Text.h"

namespace qzt {
namespace {

constexpr std::string_view kDeviceOption = "--device=";

Result<void> SetDevice(DeviceOptions& options, std::string_view value) {
    options.path.clear();
    options.backend.clear();
    const std::size_t colon = value.find(':');
    const std::string_view name = value.substr(0, colon);
    const std::string_view path =
        colon == std::string_view::npos ? std::string_view() : value.substr(colon + 1);
    if (value == "auto") {
        options.kind = DeviceKind::Auto;
    } else if (value == "usb" || (name == "usb" && !path.empty())) {
        options.kind = DeviceKind::Usb;
        options.path = std::string(path);
    } else if (name == "tty") {
        options.kind = DeviceKind::Tty;
        options.path = std::string(path);
    } else if (value.starts_with("/")) {
        // A port named by its path, as users type it: /dev/ttyUSB0.
        options.kind = DeviceKind::Tty;
        options.path = std::string(value);
    } else if (!path.empty() && FindBackend(name) != nullptr) {
        options.kind = DeviceKind::Added;
        options.backend = std::string(name);
        options.path = std::string(path);
    } else {
        return Error::Of(txt::UnknownDevice, value);
    }
    return {};
}

bool IsAddedBackendOption(std::string_view argument) {
    for (const BackendPlugin& plugin : AddedBackends()) {
        if (argument.starts_with(plugin.optionPrefix)) {
            return true;
        }
    }
    return false;
}

// The arguments ParseDeviceOptions reads as options: those before a lone "--".
bool GivesDevice(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            return false;
        }
        if (argument.starts_with(kDeviceOption)) {
            return true;
        }
    }
    return false;
}

}  // namespace

Result<DeviceOptions> ParseDeviceOptions(const std::vector<std::string>& arguments,
                                         const char* environmentDevice) {
    DeviceOptions options;
    std::optional<Error> refused;
    auto note = [&refused](Result<void> checked) {
        if (!checked && !refused) {
            refused = checked.error();
        }
    };
    bool deviceGiven = false;
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            break;
        }
        if (argument.starts_with(kDeviceOption)) {
            deviceGiven = true;
            note(SetDevice(options, std::string_view(argument).substr(kDeviceOption.size())));
        } else if (IsAddedBackendOption(argument)) {
            options.backendOptions.push_back(argument);
        }
    }
    if (!deviceGiven && environmentDevice != nullptr && *environmentDevice != '\0') {
        note(SetDevice(options, environmentDevice));
    }
    // Each added backend judges its own options, whatever the device.
    for (const BackendPlugin& plugin : AddedBackends()) {
        note(plugin.check(options));
    }
    if (refused) {
        return *std::move(refused);
    }
    return options;
}

Result<DeviceOptions> ParseDeviceOptions(const std::vector<std::string>& arguments) {
    return ParseDeviceOptions(arguments, std::getenv("QZT_DEVICE"));
}

bool IsDeviceValue(std::string_view value) {
    return ParseDeviceOptions({std::string(kDeviceOption) + std::string(value)}, nullptr)
        .has_value();
}

std::string DeviceValue(const DeviceOptions& options) {
    switch (options.kind) {
        case DeviceKind::Usb:
            return options.path.empty() ? "usb" : "usb:" + options.path;
        case DeviceKind::Tty:
            return options.path.empty() ? "tty" : "tty:" + options.path;
        case DeviceKind::Added:
            return options.backend + ":" + options.path;
        case DeviceKind::Auto:
            break;
    }
    return "auto";
}

Result<DeviceOptions> ChooseDeviceOptions(const std::vector<std::string>& arguments,
                                          const char* environmentDevice, std::string_view stored) {
    const bool environmentGives = environmentDevice != nullptr && *environmentDevice != '\0';
    if (GivesDevice(arguments) || environmentGives || stored.empty() || !IsDeviceValue(stored)) {
        return ParseDeviceOptions(arguments, environmentDevice);
    }
    return WithDevice(arguments, stored);
}

Result<DeviceOptions> WithDevice(const std::vector<std::string>& arguments,
                                 std::string_view device) {
    // The device goes first, and every --device= of the arguments is left
    // out, so no later one replaces it; the rest keep their order and their
    // lone "--".
    std::vector<std::string> withDevice{std::string(kDeviceOption) + std::string(device)};
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        optionsEnded = optionsEnded || argument == "--";
        if (optionsEnded || !argument.starts_with(kDeviceOption)) {
            withDevice.push_back(argument);
        }
    }
    return ParseDeviceOptions(withDevice, nullptr);
}

}  // namespace qzt
