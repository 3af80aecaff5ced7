#include "FakeFtdi.h"

#include <algorithm>

#include "device/link/KvdProtocol.h"
#include "device/usb/UsbBackend.h"

namespace qzt::test {
namespace {

using std::chrono::milliseconds;

// libftdi1 asks for 4096 bytes a bulk read: 64 packets of 64 bytes.
constexpr std::size_t kPacketsPerRead = 64;
// usb_read_timeout and usb_write_timeout as ftdi_new leaves them.
constexpr int kDefaultUsbTimeoutMs = 5000;

}  // namespace

// One ftdi_context: its listing, the device it opened and its time-outs.
class FakeFtdi::Context : public FtdiContext {
  public:
    explicit Context(std::shared_ptr<FakeFtdi> bus) : bus_(std::move(bus)) {}
    ~Context() override {
        bus_->Record("ftdi_free");
        Release();
    }

    int ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) override {
        bus_->Record("list");
        devices.clear();
        listing_.clear();
        for (std::size_t i = 0; i < bus_->bus_.size(); ++i) {
            const FakeUsbDevice& device = bus_->bus_[i];
            if (device.vendorId != kvd::kFtdiVendorId || (device.isBox && bus_->Unplugged())) {
                continue;
            }
            FtdiDeviceInfo info;
            info.productId = device.productId;
            if (device.stringsReadable) {
                info.description = device.description;
                info.serial = device.serial;
            }
            devices.push_back(info);
            listing_.push_back(i);
        }
        return 0;
    }

    void SetAutoDetachReattach() override { bus_->Record("detach auto+reattach"); }

    int UsbOpenDev(std::size_t index) override {
        bus_->Record("ftdi_usb_open_dev " + std::to_string(index));
        if (open_ || index >= listing_.size()) {
            return ftdi_code::kUsbNoDevice;
        }
        const std::size_t device = listing_[index];
        if (bus_->refuseOpen_ || bus_->held_[device]) {
            return kClaimFailed;
        }
        if (bus_->bus_[device].isBox) {
            if (const int result = bus_->OpenBox(); result != 0) {
                return result;
            }
        }
        bus_->held_[device] = true;
        open_ = device;
        return 0;
    }

    int SetLatencyTimer(std::uint8_t ms) override {
        return Call("ftdi_set_latency_timer " + std::to_string(ms), [&](Chip& chip) {
            // Only values from 1 to 255 ms are taken.
            if (ms < 1) {
                return -1;
            }
            if (bus_->settings_.Has(SimFaultKind::LatencyRefused)) {
                return -2;
            }
            chip.latency = milliseconds(ms);
            return 0;
        });
    }

    int SetBaudrate(int baudRate) override {
        return Call("ftdi_set_baudrate " + std::to_string(baudRate), [&](Chip& chip) {
            if (baudRate <= 0) {
                return -1;
            }
            chip.baudRate = baudRate;
            return 0;
        });
    }

    int SetLineProperty(FtdiBits bits, FtdiStopBits stopBits, FtdiParity parity) override {
        const std::string call = "ftdi_set_line_property " +
                                 std::to_string(static_cast<int>(bits)) + " " +
                                 std::to_string(static_cast<int>(stopBits)) + " " +
                                 std::to_string(static_cast<int>(parity));
        return Call(call, [&](Chip& chip) {
            chip.bits = bits;
            chip.stopBits = stopBits;
            chip.parity = parity;
            return 0;
        });
    }

    int SetFlowCtrl(FtdiFlow flow) override {
        return Call("ftdi_setflowctrl " + std::to_string(static_cast<int>(flow)));
    }
    int SetFlowCtrlXonXoff(std::uint8_t xon, std::uint8_t xoff) override {
        return Call("ftdi_setflowctrl_xonxoff " + std::to_string(xon) + " " + std::to_string(xoff));
    }
    int SetDtr(int state) override { return Call("ftdi_setdtr " + std::to_string(state)); }

    int TcIoFlush() override {
        return Call("ftdi_tcioflush", [&](Chip&) {
            bus_->FlushIn();
            return 0;
        });
    }
    int TcIFlush() override {
        return Call("ftdi_tciflush", [&](Chip&) {
            bus_->FlushIn();
            return 0;
        });
    }
    // What the program wrote is with the box already.
    int TcOFlush() override { return Call("ftdi_tcoflush"); }

    int ReadData(std::span<std::uint8_t> buffer) override {
        return Call("ftdi_read_data " + std::to_string(buffer.size()),
                    [&](Chip&) { return bus_->ReadBox(buffer, usbReadTimeoutMs_); });
    }

    int WriteData(std::span<const std::uint8_t> bytes) override {
        return Call("ftdi_write_data " + std::to_string(bytes.size()), [&](Chip&) {
            if (!bus_->writeFailures_.empty()) {
                const int code = bus_->writeFailures_.front();
                bus_->writeFailures_.pop_front();
                if (code == ftdi_code::kUsbTimeout) {
                    bus_->clock_.SleepFor(milliseconds(usbWriteTimeoutMs_));
                }
                return code;
            }
            return bus_->WriteBox(bytes);
        });
    }

    void SetUsbTimeouts(int readMs, int writeMs) override {
        bus_->Record("usb_timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
        usbReadTimeoutMs_ = readMs;
        usbWriteTimeoutMs_ = writeMs;
    }

    int UsbClose() override {
        bus_->Record("ftdi_usb_close");
        if (!open_) {
            return 0;
        }
        const bool gone = BoxIsOpen() && bus_->Gone();
        Release();
        return gone ? ftdi_code::kUsbNoDevice : 0;
    }

  private:
    bool BoxIsOpen() const { return open_ && bus_->bus_[*open_].isBox; }

    void Release() {
        if (!open_) {
            return;
        }
        if (bus_->bus_[*open_].isBox) {
            bus_->CloseBox();
        }
        bus_->held_[*open_] = false;
        open_.reset();
    }

    // A call on the open device: "USB device unavailable" before an open,
    // LIBUSB_ERROR_NO_DEVICE once the box is gone, else `action` on the
    // box's chip. Other devices take every call and send nothing.
    template <typename Action>
    int Call(std::string call, Action action) {
        bus_->Record(std::move(call));
        if (!open_) {
            return ftdi_code::kUnavailable;
        }
        if (!BoxIsOpen()) {
            return 0;
        }
        if (bus_->Gone()) {
            return ftdi_code::kUsbNoDevice;
        }
        return action(bus_->chip_);
    }
    int Call(std::string call) {
        return Call(std::move(call), [](Chip&) { return 0; });
    }

    std::shared_ptr<FakeFtdi> bus_;
    std::vector<std::size_t> listing_;  // bus index of each listed device
    std::optional<std::size_t> open_;
    int usbReadTimeoutMs_ = kDefaultUsbTimeoutMs;
    int usbWriteTimeoutMs_ = kDefaultUsbTimeoutMs;
};

FakeFtdi::FakeFtdi(SimSettings settings) : settings_(std::move(settings)) {
    bus_.push_back({0x046D, 0xC52B, "USB Receiver", true, false, "5A8B"});
    bus_.push_back({kvd::kFtdiVendorId, 0x6001, "FT232R USB UART", true, false, "A10KZ3"});
    if (!settings_.Has(SimFaultKind::NoBox)) {
        bus_.push_back(
            {kvd::kFtdiVendorId, 0x6001, std::string(kvd::kDescription), true, true, "FT4KVD01"});
    }
}

FakeFtdi::~FakeFtdi() = default;

std::unique_ptr<FtdiContext> FakeFtdi::NewContext() {
    Record("ftdi_new");
    held_.resize(bus_.size(), false);
    return std::make_unique<Context>(shared_from_this());
}

void FakeFtdi::FailReads(std::vector<int> codes, std::size_t afterBytes) {
    readFailures_.assign(codes.begin(), codes.end());
    readFailuresAfter_ = afterBytes;
}

void FakeFtdi::FailWrites(std::vector<int> codes) {
    writeFailures_.assign(codes.begin(), codes.end());
}

std::vector<std::string> FakeFtdi::CallsWithoutReads() const {
    std::vector<std::string> calls;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(calls),
                 [](const std::string& call) { return !call.starts_with("ftdi_read_data"); });
    return calls;
}

int FakeFtdi::OpenBox() {
    if (boxOpen_) {
        return kClaimFailed;
    }
    file_ = SimUnitFile::LoadOrCreate(settings_.path);
    if (!file_) {
        return -4;  // libftdi1: unable to open the device
    }
    // The chip comes out of ftdi_usb_open_dev reset, at 9600 baud 8N1 and
    // its power-on latency; the box counts its faults from each open.
    box_.emplace(file_->Memory(), settings_.faults);
    chip_ = Chip{};
    chip_.lastPacket = clock_.Now();
    chip_.hostLineFree = clock_.Now();
    chip_.boxLineFree = clock_.Now();
    boxOpen_ = true;
    return 0;
}

void FakeFtdi::CloseBox() {
    // The unit keeps what it was given; a box pulled out saved it then.
    if (box_ && box_->Changed() && !Unplugged()) {
        file_->Save(box_->Memory());
    }
    box_.reset();
    boxOpen_ = false;
}

void FakeFtdi::FlushIn() {
    // Only what has reached the chip can be dropped; what is still on the
    // wire comes in afterwards.
    chip_.readBuffer.clear();
    while (!chip_.fifo.empty() && chip_.fifo.front().at <= clock_.Now()) {
        chip_.fifo.pop_front();
    }
}

FakeFtdi::TimePoint FakeFtdi::NextPacket(TimePoint from) const {
    TimePoint at = std::max(from, chip_.lastPacket + chip_.latency);
    if (chip_.fifo.size() >= kFtdiPacketData) {
        at = std::min(at, std::max(from, chip_.fifo[kFtdiPacketData - 1].at));
    }
    return at;
}

int FakeFtdi::BulkIn(std::vector<std::uint8_t>& data, int usbReadTimeoutMs) {
    const TimePoint deadline =
        usbReadTimeoutMs > 0 ? clock_.Now() + milliseconds(usbReadTimeoutMs) : TimePoint::max();
    for (std::size_t packet = 0; packet < kPacketsPerRead; ++packet) {
        const TimePoint at = NextPacket(clock_.Now());
        if (unplugAt_ && *unplugAt_ <= std::min(at, deadline)) {
            SleepUntil(*unplugAt_);
            return ftdi_code::kUsbNoDevice;
        }
        if (at > deadline) {
            // Packets already received in this transfer go with it: libusb
            // reports only the time-out.
            SleepUntil(deadline);
            return ftdi_code::kUsbTimeout;
        }
        SleepUntil(at);
        chip_.lastPacket = at;
        std::size_t count = 0;
        while (count < kFtdiPacketData && !chip_.fifo.empty() && chip_.fifo.front().at <= at) {
            data.push_back(chip_.fifo.front().byte);
            chip_.fifo.pop_front();
            ++count;
        }
        if (count < kFtdiPacketData) {
            break;
        }
    }
    return 0;
}

int FakeFtdi::ReadBox(std::span<std::uint8_t> buffer, int usbReadTimeoutMs) {
    if (!readFailures_.empty() && readFailuresAfter_ == 0) {
        const int code = readFailures_.front();
        readFailures_.pop_front();
        if (code == ftdi_code::kUsbTimeout) {
            clock_.SleepFor(milliseconds(std::max(usbReadTimeoutMs, 1)));
        }
        return code;
    }
    // As ftdi_read_data: first what an earlier call left over, then bulk
    // reads until the buffer is full or the chip has nothing new. A failed
    // bulk read fails the call, and what this call had copied is lost.
    std::size_t offset = 0;
    while (offset < buffer.size() && !chip_.readBuffer.empty()) {
        buffer[offset++] = chip_.readBuffer.front();
        chip_.readBuffer.pop_front();
    }
    while (offset < buffer.size()) {
        std::vector<std::uint8_t> data;
        if (const int code = BulkIn(data, usbReadTimeoutMs); code < 0) {
            return code;
        }
        if (data.empty()) {
            break;
        }
        const std::size_t taken = std::min(buffer.size() - offset, data.size());
        std::copy_n(data.begin(), taken, buffer.begin() + static_cast<std::ptrdiff_t>(offset));
        chip_.readBuffer.insert(chip_.readBuffer.end(),
                                data.begin() + static_cast<std::ptrdiff_t>(taken), data.end());
        offset += taken;
    }
    if (offset > 0) {
        pieces_.push_back(offset);
        readFailuresAfter_ -= std::min(readFailuresAfter_, offset);
    }
    return static_cast<int>(offset);
}

int FakeFtdi::WriteBox(std::span<const std::uint8_t> bytes) {
    const TimePoint start = std::max(clock_.Now(), chip_.hostLineFree);
    const bool understood = chip_.baudRate == static_cast<int>(kvd::kBaudRate) &&
                            chip_.bits == FtdiBits::Eight && chip_.stopBits == FtdiStopBits::Two &&
                            chip_.parity == FtdiParity::None;
    for (std::size_t i = 0; understood && i < bytes.size(); ++i) {
        const TimePoint at = start + kvd::LineTime(i + 1);
        std::optional<KvdBox::Exchange> exchange = box_->Receive(bytes[i]);
        if (!exchange) {
            continue;
        }
        frames_.push_back(exchange->frame);
        if (exchange->unplugged) {
            // Gone as the frame comes in; the unit keeps what it had.
            unplugAt_ = at;
            if (box_->Changed()) {
                file_->Save(box_->Memory());
            }
            break;
        }
        SendToHost(*exchange, at);
    }
    chip_.hostLineFree = start + kvd::LineTime(bytes.size());
    return static_cast<int>(bytes.size());
}

void FakeFtdi::SendToHost(const KvdBox::Exchange& exchange, TimePoint frameEnd) {
    // Each piece starts once the frame is in (or the piece before it was
    // sent), its delay has passed and the box's line is free.
    TimePoint ready = frameEnd;
    for (const KvdBox::Piece& piece : exchange.Pieces()) {
        const TimePoint start = std::max(ready + piece.after, chip_.boxLineFree);
        for (std::size_t i = 0; i < piece.bytes.size(); ++i) {
            chip_.fifo.push_back(
                {start + kvd::LineTime(i + 1), static_cast<std::uint8_t>(piece.bytes[i])});
        }
        chip_.boxLineFree = start + kvd::LineTime(piece.bytes.size());
        ready = chip_.boxLineFree;
    }
}

std::shared_ptr<FtLibrary> MakeFakeUsbLibrary(SimSettings settings, std::shared_ptr<FakeFtdi>* fake,
                                              std::string serial) {
    auto bus = std::make_shared<FakeFtdi>(std::move(settings));
    if (fake) {
        *fake = bus;
    }
    return std::make_shared<UsbLibrary>(bus, std::move(serial));
}

}  // namespace qzt::test
