#pragma once
// The libftdi1 and libusb calls the usb backend makes, and nothing more: list
// the FTDI devices with their USB descriptions, open one with the kernel's
// serial driver detached for the time it is open, set the chip up, flush,
// read, write, the USB time-outs, close. `LibFtdi()` makes them on the real
// bus; a test hands UsbLibrary a bus of its own. Results are the libraries'
// own: 0 or a count for success, a negative code for failure.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/link/LinkClock.h"

namespace qzt {

// The codes of the libraries that the backend tells apart.
namespace ftdi_code {
inline constexpr int kUsbIo = -1;          // LIBUSB_ERROR_IO
inline constexpr int kUsbNoDevice = -4;    // LIBUSB_ERROR_NO_DEVICE
inline constexpr int kUsbBusy = -6;        // LIBUSB_ERROR_BUSY
inline constexpr int kUsbTimeout = -7;     // LIBUSB_ERROR_TIMEOUT
inline constexpr int kUsbPipe = -9;        // LIBUSB_ERROR_PIPE
inline constexpr int kUnavailable = -666;  // libftdi1: "USB device unavailable"
// ftdi_usb_open_dev: libusb_open failed (mostly: this user may not open the
// device), or the interface could not be claimed (another program has it).
inline constexpr int kOpenFailed = -4;
inline constexpr int kClaimFailed = -5;
}  // namespace ftdi_code

// The arguments of ftdi_set_line_property and ftdi_setflowctrl, with
// libftdi1's values.
enum class FtdiBits { Seven = 7, Eight = 8 };
enum class FtdiStopBits { One = 0, OneAndHalf = 1, Two = 2 };
enum class FtdiParity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class FtdiFlow { None = 0x0000, RtsCts = 0x0100 };

// The chip's packets to the host carry two status bytes and up to 62 data
// bytes (64-byte packets of a full-speed chip).
inline constexpr std::size_t kFtdiPacketData = 62;

// One FTDI device (vendor 0x0403) of a listing.
struct FtdiDeviceInfo {
    std::uint16_t productId = 0;
    // Its product string, or nothing when it could not be read (a device
    // held by another program, or one the user may not open).
    std::optional<std::string> description;
    // Its USB serial number, when it could be read.
    std::optional<std::string> serial;
};

// One ftdi_context: destroying it closes what is open and frees it
// (ftdi_free), and with it the last listing.
class FtdiContext {
  public:
    virtual ~FtdiContext() = default;

    // libusb_get_device_list, each device's descriptor and, for every FTDI
    // device, ftdi_usb_get_strings2: the FTDI devices in the bus's order.
    // 0, or a negative code when the bus cannot be listed.
    virtual int ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) = 0;
    // module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE: the kernel's
    // serial driver lets go of the chip while it is open here and takes it
    // back at close.
    virtual void SetAutoDetachReattach() = 0;
    // ftdi_usb_open_dev on entry `index` of the last listing.
    virtual int UsbOpenDev(std::size_t index) = 0;
    virtual int SetLatencyTimer(std::uint8_t milliseconds) = 0;
    virtual int SetBaudrate(int baudRate) = 0;
    virtual int SetLineProperty(FtdiBits bits, FtdiStopBits stopBits, FtdiParity parity) = 0;
    virtual int SetFlowCtrl(FtdiFlow flow) = 0;
    virtual int SetFlowCtrlXonXoff(std::uint8_t xon, std::uint8_t xoff) = 0;
    virtual int SetDtr(int state) = 0;
    // ftdi_tcioflush, ftdi_tciflush, ftdi_tcoflush: both directions, what
    // came in, what is still to go out.
    virtual int TcIoFlush() = 0;
    virtual int TcIFlush() = 0;
    virtual int TcOFlush() = 0;
    // ftdi_read_data: bytes placed in `buffer`, or a negative code.
    virtual int ReadData(std::span<std::uint8_t> buffer) = 0;
    // ftdi_write_data: bytes written, or a negative code.
    virtual int WriteData(std::span<const std::uint8_t> bytes) = 0;
    // usb_read_timeout and usb_write_timeout, in milliseconds (0 waits for
    // ever).
    virtual void SetUsbTimeouts(int readMs, int writeMs) = 0;
    virtual int UsbClose() = 0;
};

class FtdiApi {
  public:
    virtual ~FtdiApi() = default;

    // ftdi_new: a fresh context, or null when USB cannot be used at all.
    virtual std::unique_ptr<FtdiContext> NewContext() = 0;
    // The clock the backend times its reads on: the steady clock for the
    // real bus.
    virtual LinkClock& Clock() = 0;
};

// The calls on the machine's USB bus through libftdi1.
std::shared_ptr<FtdiApi> LibFtdi();

}  // namespace qzt
