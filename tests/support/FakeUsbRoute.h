#pragma once
// The usb route with a simulated box behind it, as each system has it: on
// Linux the libftdi1 backend on a fake USB bus (FakeFtdi), on Windows the
// D2XX backend on our fake ftd2xx.dll (FakeD2xx). Either is made by
// MakeFakeUsbLibrary(settings, &chip); FakeUsbChip::BoxOpen() and
// UnpluggedAt() tell what the box went through.

#ifdef _WIN32
#include "FakeD2xx.h"
namespace qzt::test {
using FakeUsbChip = FakeD2xx;
}
#else
#include "FakeFtdi.h"
namespace qzt::test {
using FakeUsbChip = FakeFtdi;
}
#endif
