#pragma once
// Which box this run talks to. The device can come from three places: the
// command line's --device=, the environment's QZT_DEVICE and the choice the
// user stored with Communication > Connection (Setup/Device in Values.ini).
// The first two are for one run and win over the stored choice; a stored
// value this program does not understand (an older or newer program's, or
// edited by hand) counts as not stored, so the program still starts on
// `auto` instead of refusing every device command.

#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceOptions.h"

namespace qzt {

// Whether `value` is a --device= value this program understands ("auto",
// "usb", "tty", "tty:PATH", "sim:PATH").
bool IsDeviceValue(std::string_view value);

// The --device= value that names the device of `options`.
std::string DeviceValue(const DeviceOptions& options);

// The options of the run: `arguments` as ParseDeviceOptions reads them; when
// they give no --device= and the environment no device, the stored choice
// when it is a device value, else auto.
DeviceOptions ChooseDeviceOptions(const std::vector<std::string>& arguments,
                                  const char* environmentDevice, std::string_view stored);

// The options of `arguments` with `device` in place of whatever device they
// or the environment named; the simulator's settings of the arguments stay.
DeviceOptions WithDevice(const std::vector<std::string>& arguments, std::string_view device);

}  // namespace qzt
