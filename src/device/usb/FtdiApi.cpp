#include "device/usb/FtdiApi.h"

#include <ftdi.h>
#include <libusb.h>

#include <array>

#include "device/link/KvdProtocol.h"

namespace qzt {
namespace {

static_assert(ftdi_code::kUsbIo == LIBUSB_ERROR_IO);
static_assert(ftdi_code::kUsbNoDevice == LIBUSB_ERROR_NO_DEVICE);
static_assert(ftdi_code::kUsbTimeout == LIBUSB_ERROR_TIMEOUT);
static_assert(ftdi_code::kUsbPipe == LIBUSB_ERROR_PIPE);
static_assert(static_cast<int>(FtdiBits::Seven) == BITS_7 &&
              static_cast<int>(FtdiBits::Eight) == BITS_8);
static_assert(static_cast<int>(FtdiStopBits::One) == STOP_BIT_1 &&
              static_cast<int>(FtdiStopBits::OneAndHalf) == STOP_BIT_15 &&
              static_cast<int>(FtdiStopBits::Two) == STOP_BIT_2);
static_assert(static_cast<int>(FtdiParity::None) == NONE &&
              static_cast<int>(FtdiParity::Odd) == ODD &&
              static_cast<int>(FtdiParity::Even) == EVEN &&
              static_cast<int>(FtdiParity::Mark) == MARK &&
              static_cast<int>(FtdiParity::Space) == SPACE);
static_assert(static_cast<int>(FtdiFlow::None) == SIO_DISABLE_FLOW_CTRL &&
              static_cast<int>(FtdiFlow::RtsCts) == SIO_RTS_CTS_HS);

class LibFtdiContext : public FtdiContext {
  public:
    explicit LibFtdiContext(ftdi_context* context) : context_(context) {}
    ~LibFtdiContext() override {
        // The listing before the context: ftdi_free ends the libusb session
        // the devices belong to.
        FreeListing();
        ftdi_free(context_);
    }
    LibFtdiContext(const LibFtdiContext&) = delete;
    LibFtdiContext& operator=(const LibFtdiContext&) = delete;

    int ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) override {
        devices.clear();
        FreeListing();
        const ssize_t count = libusb_get_device_list(context_->usb_ctx, &list_);
        if (count < 0) {
            list_ = nullptr;
            return static_cast<int>(count);
        }
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device* device = list_[i];
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(device, &descriptor) != 0 ||
                descriptor.idVendor != kvd::kFtdiVendorId) {
                continue;
            }
            FtdiDeviceInfo info;
            info.productId = descriptor.idProduct;
            std::array<char, 128> product{};
            std::array<char, 128> serial{};
            if (ftdi_usb_get_strings2(context_, device, nullptr, 0, product.data(),
                                      static_cast<int>(product.size()), serial.data(),
                                      static_cast<int>(serial.size())) == 0) {
                info.description = std::string(product.data());
                info.serial = std::string(serial.data());
            }
            devices.push_back(std::move(info));
            ftdiDevices_.push_back(device);
        }
        return 0;
    }

    void SetAutoDetachReattach() override {
        context_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    }

    int UsbOpenDev(std::size_t index) override {
        if (index >= ftdiDevices_.size()) {
            return ftdi_code::kUsbNoDevice;
        }
        return ftdi_usb_open_dev(context_, ftdiDevices_[index]);
    }

    int SetLatencyTimer(std::uint8_t milliseconds) override {
        return ftdi_set_latency_timer(context_, milliseconds);
    }
    int SetBaudrate(int baudRate) override { return ftdi_set_baudrate(context_, baudRate); }
    int SetLineProperty(FtdiBits bits, FtdiStopBits stopBits, FtdiParity parity) override {
        return ftdi_set_line_property(context_, static_cast<ftdi_bits_type>(bits),
                                      static_cast<ftdi_stopbits_type>(stopBits),
                                      static_cast<ftdi_parity_type>(parity));
    }
    int SetFlowCtrl(FtdiFlow flow) override {
        return ftdi_setflowctrl(context_, static_cast<int>(flow));
    }
    int SetFlowCtrlXonXoff(std::uint8_t xon, std::uint8_t xoff) override {
        return ftdi_setflowctrl_xonxoff(context_, xon, xoff);
    }
    int SetDtr(int state) override { return ftdi_setdtr(context_, state); }
    int TcIoFlush() override { return ftdi_tcioflush(context_); }
    int TcIFlush() override { return ftdi_tciflush(context_); }
    int TcOFlush() override { return ftdi_tcoflush(context_); }

    int ReadData(std::span<std::uint8_t> buffer) override {
        return ftdi_read_data(context_, buffer.data(), static_cast<int>(buffer.size()));
    }
    int WriteData(std::span<const std::uint8_t> bytes) override {
        return ftdi_write_data(context_, bytes.data(), static_cast<int>(bytes.size()));
    }
    void SetUsbTimeouts(int readMs, int writeMs) override {
        context_->usb_read_timeout = readMs;
        context_->usb_write_timeout = writeMs;
    }
    int UsbClose() override { return ftdi_usb_close(context_); }

  private:
    void FreeListing() {
        if (list_) {
            libusb_free_device_list(list_, 1);
            list_ = nullptr;
        }
        ftdiDevices_.clear();
    }

    ftdi_context* context_;
    libusb_device** list_ = nullptr;
    std::vector<libusb_device*> ftdiDevices_;
};

class LibFtdiApi : public FtdiApi {
  public:
    std::unique_ptr<FtdiContext> NewContext() override {
        ftdi_context* context = ftdi_new();
        if (!context) {
            return nullptr;
        }
        return std::make_unique<LibFtdiContext>(context);
    }
    LinkClock& Clock() override { return SteadyLinkClock(); }
};

}  // namespace

std::shared_ptr<FtdiApi> LibFtdi() {
    static const std::shared_ptr<FtdiApi> api = std::make_shared<LibFtdiApi>();
    return api;
}

}  // namespace qzt
