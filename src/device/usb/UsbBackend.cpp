#include "device/usb/UsbBackend.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "device/link/KvdProtocol.h"
#include "text/Text.h"

namespace qzt {
namespace {

using std::chrono::milliseconds;

// The latency timer the backend sets, and the one the chip keeps when it
// refuses the setting.
constexpr milliseconds kLatencyTimer{2};
constexpr milliseconds kPowerOnLatency{16};
// How much longer than the chip's latency a USB read may take: room for the
// bus's 1 ms frames and a busy host. A read that gave up before the chip
// answered would lose what libftdi1 had already copied in the same call.
constexpr milliseconds kUsbReadSlack{50};

// A read or write that failed because the chip is gone (unplugged, its USB
// device removed) as opposed to one that may pass.
FtStatus TransferStatus(int code) {
    switch (code) {
        case ftdi_code::kUsbNoDevice:
        case ftdi_code::kUsbIo:
        case ftdi_code::kUnavailable:
            return FtStatus::IoError;
        default:
            return FtStatus::OtherError;
    }
}

class UsbHandle : public FtHandle {
  public:
    UsbHandle(std::shared_ptr<FtdiApi> api, std::unique_ptr<FtdiContext> context,
              milliseconds latency)
        : api_(std::move(api)),
          clock_(api_->Clock()),
          context_(std::move(context)),
          latency_(latency) {}
    ~UsbHandle() override { Close(); }

    FtStatus SetBaudRate(std::uint32_t baudRate) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        return context_->SetBaudrate(static_cast<int>(baudRate)) == 0 ? FtStatus::Ok
                                                                      : FtStatus::InvalidBaudRate;
    }

    FtStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        if ((wordLength != kFtBits7 && wordLength != kFtBits8) ||
            (stopBits != kFtStopBits1 && stopBits != kFtStopBits2) ||
            parity > static_cast<std::uint8_t>(FtdiParity::Space)) {
            return FtStatus::InvalidParameter;
        }
        return Result(context_->SetLineProperty(
            wordLength == kFtBits8 ? FtdiBits::Eight : FtdiBits::Seven,
            stopBits == kFtStopBits2 ? FtdiStopBits::Two : FtdiStopBits::One,
            static_cast<FtdiParity>(parity)));
    }

    FtStatus SetFlowControl(std::uint16_t flowControl, std::uint8_t xon,
                            std::uint8_t xoff) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        switch (flowControl) {
            case kFtFlowNone:
                return Result(context_->SetFlowCtrl(FtdiFlow::None));
            case kFtFlowRtsCts:
                return Result(context_->SetFlowCtrl(FtdiFlow::RtsCts));
            case kFtFlowXonXoff:
                return Result(context_->SetFlowCtrlXonXoff(xon, xoff));
            default:
                return FtStatus::NotSupported;
        }
    }

    FtStatus ClrDtr() override {
        return context_ ? Result(context_->SetDtr(0)) : FtStatus::InvalidHandle;
    }

    FtStatus Purge(std::uint32_t mask) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        // The tc*flush calls name the directions as the kernel does; the
        // older purge calls have them the other way round.
        const bool rx = (mask & kFtPurgeRx) != 0;
        const bool tx = (mask & kFtPurgeTx) != 0;
        if (rx) {
            received_.clear();
        }
        if (rx && tx) {
            return Result(context_->TcIoFlush());
        }
        if (rx) {
            return Result(context_->TcIFlush());
        }
        return tx ? Result(context_->TcOFlush()) : FtStatus::Ok;
    }

    FtStatus SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        readTimeout_ = milliseconds(readMs);
        // The chip answers a USB read only when its latency timer runs out,
        // so a shorter USB time-out would end reads the chip was about to
        // answer. libusb takes 0 as "no time-out"; a D2XX time-out of 0
        // means "at once".
        const milliseconds usbRead = std::max(milliseconds(readMs), latency_ + kUsbReadSlack);
        context_->SetUsbTimeouts(static_cast<int>(usbRead.count()),
                                 static_cast<int>(std::max<std::uint32_t>(writeMs, 1)));
        return FtStatus::Ok;
    }

    // libftdi1 has no queue count: whatever the chip hands over (it answers
    // within one latency period, with data or only its status bytes) is
    // collected here and counted. A USB read that timed out brought nothing
    // new; what was collected before is still waiting.
    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        waiting = 0;
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        const FtStatus status = Fetch();
        if (status == FtStatus::Ok) {
            waiting = static_cast<std::uint32_t>(received_.size());
        }
        return status;
    }

    // Hands over collected bytes, fetching more while the read time-out
    // allows. A failed fetch hands over nothing and keeps what was
    // collected for the next call.
    FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
        read = 0;
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        const LinkClock::TimePoint deadline = clock_.Now() + readTimeout_;
        while (received_.size() < buffer.size() && clock_.Now() < deadline) {
            if (const FtStatus status = Fetch(); status != FtStatus::Ok) {
                return status;
            }
        }
        const std::size_t count = std::min(buffer.size(), received_.size());
        std::copy_n(received_.begin(), count, buffer.begin());
        received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(count));
        read = static_cast<std::uint32_t>(count);
        return FtStatus::Ok;
    }

    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        written = 0;
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        const int n = context_->WriteData(bytes);
        if (n < 0) {
            return TransferStatus(n);
        }
        written = static_cast<std::uint32_t>(n);
        return FtStatus::Ok;
    }

    FtStatus Close() override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        // Closing gives the interface back and re-attaches the kernel driver.
        context_->UsbClose();
        context_.reset();
        return FtStatus::Ok;
    }

  private:
    static FtStatus Result(int code) { return code == 0 ? FtStatus::Ok : FtStatus::IoError; }

    // One ftdi_read_data. It returns once the chip answered with nothing
    // new, or when the chunk is full.
    FtStatus Fetch() {
        std::array<std::uint8_t, 512> chunk{};
        const int n = context_->ReadData(chunk);
        if (n == ftdi_code::kUsbTimeout) {
            return FtStatus::Ok;
        }
        if (n < 0) {
            return TransferStatus(n);
        }
        received_.insert(received_.end(), chunk.begin(), chunk.begin() + n);
        return FtStatus::Ok;
    }

    std::shared_ptr<FtdiApi> api_;  // keeps the clock alive
    LinkClock& clock_;
    std::unique_ptr<FtdiContext> context_;  // null: closed
    // The latency timer the chip runs at.
    milliseconds latency_;
    std::deque<std::uint8_t> received_;
    milliseconds readTimeout_{0};
};

// "0403:6001", as lsusb shows the device.
std::string UsbId(const FtdiDeviceInfo& device) {
    char id[16];
    std::snprintf(id, sizeof id, "%04x:%04x", kvd::kFtdiVendorId, device.productId);
    return id;
}

}  // namespace

UsbLibrary::UsbLibrary(std::shared_ptr<FtdiApi> api, std::string serial)
    : api_(std::move(api)), serial_(std::move(serial)) {}

FtStatus UsbLibrary::OpenByDescription(std::string_view description,
                                       std::unique_ptr<FtHandle>& handle) {
    problem_.clear();
    std::unique_ptr<FtdiContext> context = api_->NewContext();
    if (!context) {
        problem_ = TextF(txt::ReasonNoUsbAccess, std::string("ftdi_new"));
        return FtStatus::DeviceNotFound;  // no USB access at all
    }
    std::vector<FtdiDeviceInfo> devices;
    if (const int listed = context->ListFtdiDevices(devices); listed != 0) {
        problem_ = TextF(txt::ReasonNoUsbAccess, std::to_string(listed));
        return FtStatus::DeviceNotFound;
    }
    // An FTDI device whose strings this user may not read may be the box.
    problem_ =
        serial_.empty() ? Text(txt::ReasonNoBox) : TextF(txt::ReasonNoBoxWithSerial, serial_);
    for (const FtdiDeviceInfo& device : devices) {
        if (!device.description) {
            problem_ = TextF(txt::ReasonUsbNotPermitted, UsbId(device));
        }
    }
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].description != description ||
            (!serial_.empty() && devices[i].serial != serial_)) {
            continue;
        }
        context->SetAutoDetachReattach();
        if (const int opened = context->UsbOpenDev(i); opened != 0) {
            problem_ = TextF(
                opened == ftdi_code::kOpenFailed ? txt::ReasonUsbNotPermitted : txt::ReasonUsbBusy,
                UsbId(devices[i]));
            return FtStatus::DeviceNotOpened;  // held by another program, or no access
        }
        problem_.clear();
        // A chip that keeps its power-on latency still works: every USB
        // read is timed for the latency it actually runs at.
        const milliseconds latency =
            context->SetLatencyTimer(static_cast<std::uint8_t>(kLatencyTimer.count())) == 0
                ? kLatencyTimer
                : kPowerOnLatency;
        handle = std::make_unique<UsbHandle>(api_, std::move(context), latency);
        return FtStatus::Ok;
    }
    return FtStatus::DeviceNotFound;
}

}  // namespace qzt
