#pragma once
// The routes of this operating system to a real box, behind the names every
// system shares: `usb[:SERIAL]`, `tty[:PORT]` and `auto`.
//
//   Linux:   usb is libftdi1, tty a kernel serial port (/dev/ttyUSBn), auto
//            the port whose USB product string is the box's, else libftdi1
//            (RoutesLinux.cpp).
//   Windows: usb is the chip maker's D2XX driver (ftd2xx.dll, when
//            installed), tty a COM port (tty:COM5), auto the D2XX driver,
//            else the first COM port whose device name is the box's
//            (RoutesWindows.cpp).

#include <memory>
#include <string>
#include <vector>

#include "device/FoundDevice.h"
#include "device/link/D2xx.h"
#include "device/sysfs/KernelDevices.h"

namespace qzt {

// `serial` empty: the first box; else the box with that USB serial number.
std::shared_ptr<FtLibrary> MakeUsbRoute(const std::string& serial);
// `port` empty: the port found by the box's name.
std::shared_ptr<FtLibrary> MakeTtyRoute(const std::string& port, const TtyPaths& paths);
std::shared_ptr<FtLibrary> MakeAutoRoute(const TtyPaths& paths);

// The ports and USB boxes this system shows, ports first on Linux and the
// D2XX driver's boxes first on Windows, each with why it cannot be used now,
// and the one `auto` takes marked.
std::vector<FoundDevice> FindRouteDevices(const TtyPaths& paths);

}  // namespace qzt
