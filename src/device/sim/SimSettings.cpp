#include "device/sim/SimSettings.h"

#include <algorithm>
#include <array>
#include <charconv>
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

SimFaultList ParseSimFaults(std::string_view list) {
    SimFaultList result;
    while (!list.empty()) {
        const std::string_view item = list.substr(0, list.find(','));
        list.remove_prefix(std::min(list.size(), item.size() + 1));
        if (item.empty()) {
            continue;
        }
        const std::optional<SimFault> fault = ParseFault(item);
        if (!fault) {
            return {{}, TextF(txt::UnknownSimFault, item)};
        }
        result.faults.push_back(*fault);
    }
    return result;
}

std::optional<std::chrono::milliseconds> ParseSimLatency(std::string_view text) {
    const std::optional<unsigned> ms = ParseNumber(text, 1000);
    return ms ? std::optional(std::chrono::milliseconds(*ms)) : std::nullopt;
}

}  // namespace qzt
