#include "device/DeviceChoice.h"

namespace qzt {
namespace {

constexpr std::string_view kDeviceOption = "--device=";

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

bool IsDeviceValue(std::string_view value) {
    return ParseDeviceOptions({std::string(kDeviceOption) + std::string(value)}, nullptr).Valid();
}

std::string DeviceValue(const DeviceOptions& options) {
    switch (options.kind) {
        case DeviceKind::Usb:
            return "usb";
        case DeviceKind::Tty:
            return options.ttyPath.empty() ? "tty" : "tty:" + options.ttyPath;
        case DeviceKind::Sim:
            return "sim:" + options.sim.path;
        case DeviceKind::Auto:
            break;
    }
    return "auto";
}

DeviceOptions ChooseDeviceOptions(const std::vector<std::string>& arguments,
                                  const char* environmentDevice, std::string_view stored) {
    const bool environmentGives = environmentDevice != nullptr && *environmentDevice != '\0';
    if (GivesDevice(arguments) || environmentGives || stored.empty() || !IsDeviceValue(stored)) {
        return ParseDeviceOptions(arguments, environmentDevice);
    }
    return WithDevice(arguments, stored);
}

DeviceOptions WithDevice(const std::vector<std::string>& arguments, std::string_view device) {
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
