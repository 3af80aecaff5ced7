#include "device/sim/SimSettings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "text/Text.h"

namespace qzt {
namespace {

constexpr std::array<std::pair<std::string_view, SimFaultKind>, 15> kFaultNames = {{
    {"no-box", SimFaultKind::NoBox},
    {"no-unit", SimFaultKind::NoUnit},
    {"nak-writes", SimFaultKind::NakWrites},
    {"silent-writes", SimFaultKind::SilentWrites},
    {"lost-acks", SimFaultKind::LostAcks},
    {"silent-reads", SimFaultKind::SilentReads},
    {"corrupt-reads", SimFaultKind::CorruptReads},
    {"wrong-product", SimFaultKind::WrongProduct},
    {"stray-bytes", SimFaultKind::StrayBytes},
    {"late-replies", SimFaultKind::LateReplies},
    {"split-replies", SimFaultKind::SplitReplies},
    {"unplug", SimFaultKind::Unplug},
    {"garbage-before", SimFaultKind::GarbageBefore},
    {"slow-box", SimFaultKind::SlowBox},
    {"latency-refused", SimFaultKind::LatencyRefused},
}};

bool TakesAddress(SimFaultKind kind) {
    switch (kind) {
        case SimFaultKind::NakWrites:
        case SimFaultKind::SilentWrites:
        case SimFaultKind::LostAcks:
        case SimFaultKind::SilentReads:
        case SimFaultKind::CorruptReads:
        case SimFaultKind::LateReplies:
        case SimFaultKind::SplitReplies:
        case SimFaultKind::Unplug:
        case SimFaultKind::GarbageBefore:
            return true;
        default:
            return false;
    }
}

bool TakesCount(SimFaultKind kind) {
    return kind != SimFaultKind::NoBox && kind != SimFaultKind::WrongProduct &&
           kind != SimFaultKind::Unplug && kind != SimFaultKind::LatencyRefused;
}

// The largest value a fault takes: a delay in ms, or a frame number.
std::optional<unsigned> ValueLimit(SimFaultKind kind) {
    switch (kind) {
        case SimFaultKind::LateReplies:
        case SimFaultKind::SplitReplies:
        case SimFaultKind::GarbageBefore:
        case SimFaultKind::SlowBox:
            return 10'000;
        case SimFaultKind::Unplug:
            return 1'000'000;
        default:
            return std::nullopt;
    }
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
    std::string_view name = text.substr(0, text.find_first_of("@:="));
    std::string_view rest = text.substr(name.size());
    const auto known = std::find_if(kFaultNames.begin(), kFaultNames.end(),
                                    [&](const auto& entry) { return entry.first == name; });
    if (known == kFaultNames.end()) {
        return std::nullopt;
    }
    fault.kind = known->second;
    if (!rest.empty() && rest.front() == '@') {
        const std::string_view address = rest.substr(1, rest.find_first_of(":=") - 1);
        fault.address = ParseNumber(address, 0xFF);
        if (!TakesAddress(fault.kind) || !fault.address) {
            return std::nullopt;
        }
        rest.remove_prefix(1 + address.size());
    }
    if (!rest.empty() && rest.front() == ':') {
        const std::string_view count = rest.substr(1, rest.find('=') - 1);
        fault.count = ParseNumber(count, 1'000'000);
        if (!TakesCount(fault.kind) || !fault.count) {
            return std::nullopt;
        }
        rest.remove_prefix(1 + count.size());
    }
    if (!rest.empty()) {
        const std::optional<unsigned> limit = ValueLimit(fault.kind);
        fault.value =
            rest.front() == '=' && limit ? ParseNumber(rest.substr(1), *limit) : std::nullopt;
        if (!fault.value || (fault.kind == SimFaultKind::Unplug && *fault.value == 0)) {
            return std::nullopt;
        }
    }
    return fault;
}

}  // namespace

bool SimSettings::Has(SimFaultKind kind) const {
    return std::any_of(faults.begin(), faults.end(),
                       [kind](const SimFault& fault) { return fault.kind == kind; });
}

std::chrono::microseconds SimSettings::ChipLatency() const {
    return Has(SimFaultKind::LatencyRefused) ? std::chrono::microseconds(kPowerOnLatency) : latency;
}

std::string_view SimFaultName(SimFaultKind kind) {
    for (const auto& [name, known] : kFaultNames) {
        if (known == kind) {
            return name;
        }
    }
    return {};
}

Result<std::vector<SimFault>> ParseSimFaults(std::string_view list) {
    std::vector<SimFault> faults;
    while (!list.empty()) {
        const std::string_view item = list.substr(0, list.find(','));
        list.remove_prefix(std::min(list.size(), item.size() + 1));
        if (item.empty()) {
            continue;
        }
        const std::optional<SimFault> fault = ParseFault(item);
        if (!fault) {
            return Error::Of(txt::UnknownSimFault, item);
        }
        faults.push_back(*fault);
    }
    return faults;
}

std::optional<std::chrono::milliseconds> ParseSimLatency(std::string_view text) {
    const std::optional<unsigned> ms = ParseNumber(text, 1000);
    return ms ? std::optional(std::chrono::milliseconds(*ms)) : std::nullopt;
}

Result<SimSettings> ParseSimSettings(const DeviceOptions& options) {
    SimSettings settings;
    if (options.kind == DeviceKind::Added && options.backend == kSimBackendName) {
        settings.path = options.path;
    }
    for (const std::string& argument : options.backendOptions) {
        const std::string_view arg = argument;
        if (arg.starts_with("--sim-faults=")) {
            Result<std::vector<SimFault>> faults = ParseSimFaults(arg.substr(13));
            if (!faults) {
                return faults.error();
            }
            settings.faults = std::move(*faults);
        } else if (arg.starts_with("--sim-latency=")) {
            const auto latency = ParseSimLatency(arg.substr(14));
            if (!latency) {
                return Error::Of(txt::InvalidSimSetting, arg);
            }
            settings.latency = *latency;
        } else if (arg.starts_with("--sim-timing=")) {
            const std::string_view timing = arg.substr(13);
            if (timing != "zero" && timing != "line") {
                return Error::Of(txt::InvalidSimSetting, arg);
            }
            settings.zeroTime = timing == "zero";
        }
    }
    return settings;
}

}  // namespace qzt
