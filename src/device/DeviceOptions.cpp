#include "device/DeviceOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <utility>

#include "text/Text.h"

namespace qzt {
namespace {

constexpr std::array<std::pair<std::string_view, SimFaultKind>, 8> kFaultNames = {{
    {"no-box", SimFaultKind::NoBox},
    {"no-unit", SimFaultKind::NoUnit},
    {"nak-writes", SimFaultKind::NakWrites},
    {"silent-writes", SimFaultKind::SilentWrites},
    {"silent-reads", SimFaultKind::SilentReads},
    {"corrupt-reads", SimFaultKind::CorruptReads},
    {"wrong-product", SimFaultKind::WrongProduct},
    {"stray-bytes", SimFaultKind::StrayBytes},
}};

bool TakesAddress(SimFaultKind kind) {
    return kind == SimFaultKind::NakWrites || kind == SimFaultKind::SilentWrites ||
           kind == SimFaultKind::SilentReads || kind == SimFaultKind::CorruptReads;
}

bool TakesCount(SimFaultKind kind) {
    return kind != SimFaultKind::NoBox && kind != SimFaultKind::WrongProduct;
}

// A decimal number, or hexadecimal after 0x, that fits in `limit`.
std::optional<unsigned> ParseNumber(std::string_view text, unsigned limit) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end || value > limit) {
        return std::nullopt;
    }
    return value;
}

std::optional<SimFault> ParseFault(std::string_view text) {
    SimFault fault;
    std::string_view name = text.substr(0, text.find_first_of("@:"));
    std::string_view rest = text.substr(name.size());
    const auto known = std::find_if(kFaultNames.begin(), kFaultNames.end(),
                                    [&](const auto& entry) { return entry.first == name; });
    if (known == kFaultNames.end()) {
        return std::nullopt;
    }
    fault.kind = known->second;
    if (!rest.empty() && rest.front() == '@') {
        const std::string_view address = rest.substr(1, rest.find(':') - 1);
        fault.address = ParseNumber(address, 0xFF);
        if (!TakesAddress(fault.kind) || !fault.address) {
            return std::nullopt;
        }
        rest.remove_prefix(1 + address.size());
    }
    if (!rest.empty()) {
        fault.count = rest.front() == ':' ? ParseNumber(rest.substr(1), 1'000'000) : std::nullopt;
        if (!TakesCount(fault.kind) || !fault.count) {
            return std::nullopt;
        }
    }
    return fault;
}

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
    } else if (value.starts_with("sim:") && value.size() > 4) {
        options.kind = DeviceKind::Sim;
        options.sim.path = std::string(value.substr(4));
    } else if (options.error.empty()) {
        options.error = TextF(txt::UnknownDevice, value);
    }
}

}  // namespace

bool SimSettings::Has(SimFaultKind kind) const {
    return std::any_of(faults.begin(), faults.end(),
                       [kind](const SimFault& fault) { return fault.kind == kind; });
}

std::string_view SimFaultName(SimFaultKind kind) {
    for (const auto& [name, known] : kFaultNames) {
        if (known == kind) {
            return name;
        }
    }
    return {};
}

std::optional<std::vector<SimFault>> ParseSimFaults(std::string_view list, std::string& error) {
    std::vector<SimFault> faults;
    while (!list.empty()) {
        const std::string_view item = list.substr(0, list.find(','));
        list.remove_prefix(std::min(list.size(), item.size() + 1));
        if (item.empty()) {
            continue;
        }
        const std::optional<SimFault> fault = ParseFault(item);
        if (!fault) {
            error = TextF(txt::UnknownSimFault, item);
            return std::nullopt;
        }
        faults.push_back(*fault);
    }
    return faults;
}

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
            std::string error;
            if (auto faults = ParseSimFaults(arg.substr(13), error)) {
                options.sim.faults = std::move(*faults);
            } else if (options.error.empty()) {
                options.error = error;
            }
        } else if (arg.starts_with("--sim-latency=")) {
            if (auto ms = ParseNumber(arg.substr(14), 1000)) {
                options.sim.latency = std::chrono::milliseconds(*ms);
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
