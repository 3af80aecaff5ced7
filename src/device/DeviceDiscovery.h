#pragma once
// What the program can find to talk to: the ports that carry the KVD box and
// the boxes on USB (the routes of device/Routes.h), and the simulated unit
// the options name; for each, whether this program could use it now
// and, when not, why and what to do about it. The connection dialog and
// `qzt devices` show this list.

#include <string>
#include <vector>

#include "device/DeviceOptions.h"
#include "device/FoundDevice.h"
#include "device/sysfs/KernelDevices.h"

namespace qzt {

// Everything found, kernel ports first, then USB boxes, then what the added
// backend that `options` name shows (the simulated unit). Ports are opened and closed again
// to see whether they can be had; a port another program holds is left as
// it is.
std::vector<FoundDevice> FindDevices(const DeviceOptions& options, const TtyPaths& paths = {});

}  // namespace qzt
