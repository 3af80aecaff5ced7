#pragma once
// A backend that a program adds to the device library. The library knows it
// only through this: the name that --device=NAME:PATH gives it, the prefix
// of its own options, and three calls: check the options, make the backend,
// and say what the device list shows of it. The simulated box is added this
// way, so a program that does not choose it does not carry it.
//
// Programs register their backends before they read any option (a static
// registrar in the program, e.g. device/sim/SimRegistration.cpp).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceOptions.h"
#include "device/FoundDevice.h"
#include "device/link/D2xx.h"
#include "text/Result.h"

namespace qzt {

struct BackendPlugin {
    // --device=NAME:PATH
    std::string name;
    // Its options begin with this ("--sim-"); these are all of them, each
    // taking a value (what a command line declares).
    std::string optionPrefix;
    std::vector<std::string> optionNames;
    // Whether its options of `options.backendOptions` are understood, and
    // the path of `options` when they name this backend: nothing, or the
    // message naming the first value that was not.
    std::function<Result<void>(const DeviceOptions& options)> check;
    // The backend for `options`, which name this backend and were checked.
    std::function<std::shared_ptr<FtLibrary>(const DeviceOptions& options)> make;
    // What the device list shows for `options`, which name this backend.
    std::function<std::optional<FoundDevice>(const DeviceOptions& options)> list;
};

// Adds `plugin`; a second plugin of the same name replaces the first.
void RegisterBackend(BackendPlugin plugin);
// The plugin named `name`, or null.
const BackendPlugin* FindBackend(std::string_view name);
// Every plugin, in the order registered.
const std::vector<BackendPlugin>& AddedBackends();

}  // namespace qzt
