// Compiled into each program that offers the simulated box (it links
// qzt_device_sim_registered): registers the box before main, so --device=sim:
// and the --sim- options are understood from the first argument on.

#include "device/sim/SimPlugin.h"

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    qzt::RegisterBackend(qzt::SimulatedBoxPlugin());
    return true;
}();

}  // namespace
