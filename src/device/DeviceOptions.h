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
//                        file PATH (created when missing); a folder PATH is a
//                        ward of units connected one after another
//
// and for the simulated box:
//
//   --sim-faults=LIST    faults to inject, comma-separated (sim/SimSettings.h)
//   --sim-latency=MS     the latency timer the backend sets in the simulated chip,
//                        0 to 1000 ms (default 2, as the real backends lower it)
//   --sim-timing=zero    no waiting at all: the link runs on the simulator's own
//                        clock (tests); `line` (the default) models the line

#include <string>
#include <vector>

#include "device/sim/SimSettings.h"

namespace qzt {

enum class DeviceKind { Auto, Usb, Tty, Sim };

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

}  // namespace qzt
