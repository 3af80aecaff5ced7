#pragma once
// What the simulated box is told on the command line: the unit's memory file
// (or a folder of units), the faults it injects, the chip's latency and
// whether it runs in zero time.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceOptions.h"
#include "text/Result.h"

namespace qzt {

enum class SimFaultKind {
    NoBox,         // no-box: the box cannot be opened
    NoUnit,        // no-unit: the box answers "v" but nothing that needs the unit
    NakWrites,     // nak-writes: block writes refused with NAK
    SilentWrites,  // silent-writes: block writes never answered (nothing written)
    LostAcks,      // lost-acks: block writes carried out, their ACK lost on the line
    SilentReads,   // silent-reads: block reads never answered
    CorruptReads,  // corrupt-reads: block reads answered with a wrong frame checksum
    WrongProduct,  // wrong-product: byte 248 reads 0x47, another product's code
    StrayBytes,    // stray-bytes: line noise before every reply
    // What real boxes do on a bad day:
    LateReplies,     // late-replies=MS: the answer comes MS ms late (default 260)
    SplitReplies,    // split-replies=MS: the answer in three pieces MS ms apart
                     // (default 100, shorter than the link's wait)
    Unplug,          // unplug=N: the box vanishes as the N-th frame it applies to
                     // arrives (default 1); every later call fails
    GarbageBefore,   // garbage-before=MS: stray bytes arrive after the purge,
                     // MS ms before the answer (default 5)
    SlowBox,         // slow-box=MS: every answer MS ms late (default 220, near
                     // the end of the link's 250 ms wait)
    LatencyRefused,  // latency-refused: the chip keeps its power-on latency
                     // timer of 16 ms
};

// One fault of --sim-faults: NAME[@ADDRESS][:COUNT][=VALUE].
//   @ADDRESS  only reads and writes of blocks that cover that address
//   :COUNT    only the first COUNT frames it applies to after each open
//   =VALUE    the fault's delay in ms (a frame number for unplug)
// e.g. "nak-writes:2" refuses the first two write tries and then writes,
// "silent-reads@240" never answers a read of a block holding byte 240,
// "late-replies@64:1=260" answers the first read or write of the block
// holding byte 64 260 ms after the frame, "unplug@20=2" pulls the box out as
// the second frame for the block holding byte 20 arrives.
struct SimFault {
    SimFaultKind kind = SimFaultKind::NoBox;
    std::optional<unsigned> address = {};
    std::optional<unsigned> count = {};
    std::optional<unsigned> value = {};

    bool operator==(const SimFault&) const = default;
};

struct SimSettings {
    // The unit's memory file, or a folder of units connected one after
    // another (sim/SimBackend.h).
    std::string path;
    std::vector<SimFault> faults;
    // The latency timer the backend sets, as the real backends lower it
    // from the chip's power-on 16 ms (unless latency-refused).
    std::chrono::microseconds latency{2000};
    bool zeroTime = false;

    bool Has(SimFaultKind kind) const;
    // The latency the chip runs at once the backend has set it up.
    std::chrono::microseconds ChipLatency() const;
};

// --device=sim:PATH, --sim-faults=...
inline constexpr std::string_view kSimBackendName = "sim";
inline constexpr std::string_view kSimOptionPrefix = "--sim-";

// The chip's latency timer as it comes out of the factory.
inline constexpr std::chrono::milliseconds kPowerOnLatency{16};

// The fault list of --sim-faults, or the message naming the first fault that
// was not understood.
Result<std::vector<SimFault>> ParseSimFaults(std::string_view list);

// The simulated box's settings in `options`: the path of sim:PATH (empty when
// they name another device) and --sim-faults=, --sim-latency= and
// --sim-timing= (the last of each wins), or the message naming the first
// value that was not understood.
Result<SimSettings> ParseSimSettings(const DeviceOptions& options);

// --sim-latency's value: whole milliseconds from 0 to 1000.
std::optional<std::chrono::milliseconds> ParseSimLatency(std::string_view text);

std::string_view SimFaultName(SimFaultKind kind);

}  // namespace qzt
