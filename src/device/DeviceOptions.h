#pragma once
// How the program reaches the KVD box, as chosen on the command line (the
// window, the command-line tool, tests and benchmarks read the same options):
//
//   --device=auto        the kernel serial port whose USB product string is the
//                        box's description, else the box through libftdi1
//                        (the default, unless QZT_DEVICE names another)
//   --device=usb         libftdi1 only
//   --device=tty[:PATH]  the kernel serial port PATH, or the one found by its
//                        USB product string
//   --device=sim:PATH    a simulated box with a QZT unit whose memory is the
//                        file PATH (created when missing)
//
// and for the simulated box:
//
//   --sim-faults=LIST    faults to inject, comma-separated (SimFault)
//   --sim-latency=MS     the chip's latency per reply, 0 to 1000 ms (default 1)
//   --sim-timing=zero    no waiting at all: the link runs on the simulator's own
//                        clock (tests); `line` (the default) models the line

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qzt {

enum class DeviceKind { Auto, Usb, Tty, Sim };

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

struct DeviceOptions {
    DeviceKind kind = DeviceKind::Auto;
    // The port of tty:PATH (empty: found by product string).
    std::string ttyPath;
    SimSettings sim;
    // A message from the string table naming the first value that was not
    // understood; empty when every option was. A link built from options
    // with an error finds no box.
    std::string error;

    bool Valid() const { return error.empty(); }
};

// Reads --device=, --sim-faults=, --sim-latency= and --sim-timing= from the
// program's arguments (the last of each wins; everything after a lone "--"
// is a path, not an option) and ignores every other argument. Without
// --device= the environment variable QZT_DEVICE, when set and not empty,
// gives the device, else auto.
DeviceOptions ParseDeviceOptions(const std::vector<std::string>& arguments);
// The same with the environment's value passed in (nullptr: not set).
DeviceOptions ParseDeviceOptions(const std::vector<std::string>& arguments,
                                 const char* environmentDevice);

// The fault list of --sim-faults; nothing and `error` set for an unknown one.
std::optional<std::vector<SimFault>> ParseSimFaults(std::string_view list, std::string& error);

std::string_view SimFaultName(SimFaultKind kind);

}  // namespace qzt
