#pragma once
// How the program reaches the KVD box, as chosen on the command line (the
// window, the command-line tool, tests and benchmarks read the same options):
//
//   --device=auto        the kernel serial port whose USB product string is the
//                        box's description, else the box through libftdi1
//                        (the default, unless QZT_DEVICE names another)
//   --device=usb[:SERIAL] libftdi1 only: the first box, or the one with that
//                        USB serial number
//   --device=tty[:PATH]  the kernel serial port PATH, or the one found by its
//                        USB product string; a bare PATH (/dev/ttyUSB0) is
//                        the same as tty:PATH
//   --device=NAME:PATH   a backend the program added (device/BackendPlugin.h),
//                        with the options that begin with its own prefix:
//                        the simulated box is sim:PATH with --sim-faults=,
//                        --sim-latency= and --sim-timing=

#include <string>
#include <vector>

namespace qzt {

enum class DeviceKind { Auto, Usb, Tty, Added };

struct DeviceOptions {
    DeviceKind kind = DeviceKind::Auto;
    // tty:PATH's port (empty: found by product string), usb:SERIAL's serial
    // number (empty: the first box), or an added backend's PATH.
    std::string path;
    // The added backend's name ("sim") when kind is Added.
    std::string backend;
    // The options of the added backends as given ("--sim-faults=nak-writes"),
    // in their order; each backend reads its own.
    std::vector<std::string> backendOptions;
};

}  // namespace qzt
