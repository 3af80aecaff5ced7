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
#include "text/Result.h"

namespace qzt {

// Reads --device= and the added backends' options from the program's
// arguments (the last --device= wins; everything after a lone "--" is a path,
// not an option) and ignores every other argument. Without --device= the
// environment variable QZT_DEVICE, when set and not empty, gives the device,
// else auto. Refused with the message naming the device value, or the first
// added backend's option, that was not understood.
Result<DeviceOptions> ParseDeviceOptions(const std::vector<std::string>& arguments);
// The same with the environment's value passed in (nullptr: not set).
Result<DeviceOptions> ParseDeviceOptions(const std::vector<std::string>& arguments,
                                         const char* environmentDevice);

// Whether `value` is a --device= value this program understands ("auto",
// "usb", "usb:SERIAL", "tty", "tty:PATH", "sim:PATH").
bool IsDeviceValue(std::string_view value);

// The --device= value that names the device of `options`.
std::string DeviceValue(const DeviceOptions& options);

// The options of the run: `arguments` as ParseDeviceOptions reads them; when
// they give no --device= and the environment no device, the stored choice
// when it is a device value, else auto.
Result<DeviceOptions> ChooseDeviceOptions(const std::vector<std::string>& arguments,
                                          const char* environmentDevice, std::string_view stored);

// The options of `arguments` with `device` in place of whatever device they
// or the environment named; the added backends' options of the arguments
// (the simulator's settings) stay.
Result<DeviceOptions> WithDevice(const std::vector<std::string>& arguments,
                                 std::string_view device);

}  // namespace qzt
