#pragma once
// What the simulated box is told on the command line: the unit's memory file,
// the faults it injects, the chip's latency and whether it runs in zero time.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qzt {

enum class SimFaultKind {
    NoBox,         // no-box: the box cannot be opened
    NoUnit,        // no-unit: the box answers "v" but nothing that needs the unit
    NakWrites,     // nak-writes: block writes refused with NAK
    SilentWrites,  // silent-writes: block writes never answered (nothing written)
    SilentReads,   // silent-reads: block reads never answered
    CorruptReads,  // corrupt-reads: block reads answered with a wrong frame checksum
    WrongProduct,  // wrong-product: byte 248 reads 0x47, another product's code
    StrayBytes,    // stray-bytes: line noise before every reply
};

// One fault of --sim-faults: NAME[@ADDRESS][:COUNT].
//   @ADDRESS  (reads and writes only) only blocks that cover that address
//   :COUNT    only the first COUNT frames it applies to after each open
// e.g. "nak-writes:2" refuses the first two write tries and then writes,
// "silent-reads@240" never answers a read of a block holding byte 240.
struct SimFault {
    SimFaultKind kind = SimFaultKind::NoBox;
    std::optional<unsigned> address;
    std::optional<unsigned> count;

    bool operator==(const SimFault&) const = default;
};

struct SimSettings {
    std::string path;
    std::vector<SimFault> faults;
    std::chrono::microseconds latency{1000};
    bool zeroTime = false;

    bool Has(SimFaultKind kind) const;
};

// The fault list of --sim-faults, or the message naming the first fault that
// was not understood (then `faults` is empty).
struct SimFaultList {
    std::vector<SimFault> faults;
    std::string error;
};
SimFaultList ParseSimFaults(std::string_view list);

// --sim-latency's value: whole milliseconds from 0 to 1000.
std::optional<std::chrono::milliseconds> ParseSimLatency(std::string_view text);

std::string_view SimFaultName(SimFaultKind kind);

}  // namespace qzt
