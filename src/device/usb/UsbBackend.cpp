#include "device/usb/UsbBackend.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <deque>
#include <string>

#include "device/link/KvdProtocol.h"

namespace qzt {
namespace {

constexpr unsigned char kLatencyTimerMs = 2;

struct FtdiDeleter {
    void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using FtdiContext = std::unique_ptr<ftdi_context, FtdiDeleter>;

struct DeviceListDeleter {
    void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};

class UsbHandle : public FtHandle {
  public:
    explicit UsbHandle(FtdiContext context) : context_(std::move(context)) {}
    ~UsbHandle() override { Close(); }

    FtStatus SetBaudRate(std::uint32_t baudRate) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        return ftdi_set_baudrate(context_.get(), static_cast<int>(baudRate)) == 0
                   ? FtStatus::Ok
                   : FtStatus::InvalidBaudRate;
    }

    FtStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        if ((wordLength != kFtBits7 && wordLength != kFtBits8) ||
            (stopBits != kFtStopBits1 && stopBits != kFtStopBits2) || parity > SPACE) {
            return FtStatus::InvalidParameter;
        }
        return Result(ftdi_set_line_property(context_.get(),
                                             wordLength == kFtBits8 ? BITS_8 : BITS_7,
                                             stopBits == kFtStopBits2 ? STOP_BIT_2 : STOP_BIT_1,
                                             static_cast<ftdi_parity_type>(parity)));
    }

    FtStatus SetFlowControl(std::uint16_t flowControl, std::uint8_t xon,
                            std::uint8_t xoff) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        switch (flowControl) {
            case kFtFlowNone:
                return Result(ftdi_setflowctrl(context_.get(), SIO_DISABLE_FLOW_CTRL));
            case kFtFlowRtsCts:
                return Result(ftdi_setflowctrl(context_.get(), SIO_RTS_CTS_HS));
            case kFtFlowXonXoff:
                return Result(ftdi_setflowctrl_xonxoff(context_.get(), xon, xoff));
            default:
                return FtStatus::NotSupported;
        }
    }

    FtStatus ClrDtr() override {
        return context_ ? Result(ftdi_setdtr(context_.get(), 0)) : FtStatus::InvalidHandle;
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
            return Result(ftdi_tcioflush(context_.get()));
        }
        if (rx) {
            return Result(ftdi_tciflush(context_.get()));
        }
        return tx ? Result(ftdi_tcoflush(context_.get())) : FtStatus::Ok;
    }

    FtStatus SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        readTimeout_ = std::chrono::milliseconds(readMs);
        // libusb takes 0 as "no time-out"; a D2XX time-out of 0 means "at once".
        context_->usb_read_timeout = static_cast<int>(std::max<std::uint32_t>(readMs, 1));
        context_->usb_write_timeout = static_cast<int>(std::max<std::uint32_t>(writeMs, 1));
        return FtStatus::Ok;
    }

    // libftdi1 has no queue count: whatever the chip hands over (it answers
    // within one latency period, with data or only its status bytes) is
    // collected here and counted.
    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        waiting = 0;
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        const FtStatus status = Fetch();
        waiting = static_cast<std::uint32_t>(received_.size());
        return status;
    }

    FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
        read = 0;
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        const auto deadline = std::chrono::steady_clock::now() + readTimeout_;
        while (received_.size() < buffer.size() && std::chrono::steady_clock::now() < deadline) {
            if (Fetch() != FtStatus::Ok) {
                return FtStatus::IoError;
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
        const int n = ftdi_write_data(context_.get(), bytes.data(), static_cast<int>(bytes.size()));
        if (n < 0) {
            return FtStatus::IoError;
        }
        written = static_cast<std::uint32_t>(n);
        return FtStatus::Ok;
    }

    FtStatus Close() override {
        if (!context_) {
            return FtStatus::InvalidHandle;
        }
        // Closing gives the interface back and re-attaches the kernel driver.
        ftdi_usb_close(context_.get());
        context_.reset();
        return FtStatus::Ok;
    }

  private:
    static FtStatus Result(int code) { return code == 0 ? FtStatus::Ok : FtStatus::IoError; }

    FtStatus Fetch() {
        std::array<unsigned char, 512> chunk{};
        const int n = ftdi_read_data(context_.get(), chunk.data(), static_cast<int>(chunk.size()));
        if (n < 0) {
            return FtStatus::IoError;
        }
        received_.insert(received_.end(), chunk.begin(), chunk.begin() + n);
        return FtStatus::Ok;
    }

    FtdiContext context_;
    std::deque<std::uint8_t> received_;
    std::chrono::milliseconds readTimeout_{0};
};

}  // namespace

FtStatus UsbLibrary::OpenByDescription(std::string_view description,
                                       std::unique_ptr<FtHandle>& handle) {
    FtdiContext context(ftdi_new());
    if (!context) {
        return FtStatus::DeviceNotFound;  // no USB access at all
    }
    libusb_device** raw = nullptr;
    const ssize_t count = libusb_get_device_list(context->usb_ctx, &raw);
    if (count < 0) {
        return FtStatus::DeviceNotFound;
    }
    std::unique_ptr<libusb_device*, DeviceListDeleter> devices(raw);

    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = devices.get()[i];
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) != 0 ||
            descriptor.idVendor != kvd::kFtdiVendorId) {
            continue;
        }
        std::array<char, 128> product{};
        if (ftdi_usb_get_strings2(context.get(), device, nullptr, 0, product.data(),
                                  static_cast<int>(product.size()), nullptr, 0) != 0 ||
            std::string_view(product.data()) != description) {
            continue;
        }
        context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        if (ftdi_usb_open_dev(context.get(), device) != 0) {
            return FtStatus::DeviceNotOpened;  // held by another program, or no access
        }
        ftdi_set_latency_timer(context.get(), kLatencyTimerMs);
        handle = std::make_unique<UsbHandle>(std::move(context));
        return FtStatus::Ok;
    }
    return FtStatus::DeviceNotFound;
}

}  // namespace qzt
