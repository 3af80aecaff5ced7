#pragma once
// The simulated box as a backend added to the device library: --device=sim:PATH
// with --sim-faults=, --sim-latency= and --sim-timing=. A program that links
// qzt_device_sim_registered has it registered before main.

#include "device/BackendPlugin.h"

namespace qzt {

BackendPlugin SimulatedBoxPlugin();

}  // namespace qzt
