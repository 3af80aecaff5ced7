#pragma once
// A USB bus behind the usb backend's libftdi1 calls, in zero time: a device
// of another maker, another FTDI device and the KVD box, whose chip is
// modelled as the usb route meets it:
//  - the box (KvdBox, with --sim-faults) over its unit's memory file
//    (SimUnitFile, loaded at open, written back at close or when the box is
//    pulled out), hearing the program only at 57600 baud, 8N2;
//  - every character takes kvd::LineTime(1) on the line, each way;
//  - the chip answers a bulk read with a packet of at most 62 data bytes
//    once a full packet is in or its latency timer (power-on 16 ms, lowered
//    by ftdi_set_latency_timer unless the faults hold latency-refused) has
//    run out since its last packet; a read ends at a packet that is not
//    full, and ftdi_read_data reads again until the chip has nothing new;
//  - a bulk read whose USB time-out passes before the chip answers fails
//    with LIBUSB_ERROR_TIMEOUT, leaving the data in the chip, and
//    ftdi_read_data then drops what it had already copied, as libftdi1 does;
//  - once the box is pulled out, every call gives LIBUSB_ERROR_NO_DEVICE.
// Every call is recorded in order. Time is a VirtualLinkClock that moves
// only while a call waits for the chip or the link sleeps.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/link/D2xx.h"
#include "device/link/LinkClock.h"
#include "device/sim/KvdBox.h"
#include "device/sim/SimSettings.h"
#include "device/sim/SimUnitFile.h"
#include "device/usb/FtdiApi.h"

namespace qzt::test {

struct FakeUsbDevice {
    std::uint16_t vendorId = 0x0403;
    std::uint16_t productId = 0x6001;
    std::string description;
    // false: its strings cannot be read (another program holds it).
    bool stringsReadable = true;
    bool isBox = false;
    std::string serial;
};

class FakeFtdi : public FtdiApi, public std::enable_shared_from_this<FakeFtdi> {
  public:
    // libftdi1's code for a device it could not claim.
    static constexpr int kClaimFailed = -5;

    // The bus: a receiver of another maker, an FTDI cable with another
    // description, and the box (not under no-box).
    explicit FakeFtdi(SimSettings settings);
    ~FakeFtdi() override;

    std::unique_ptr<FtdiContext> NewContext() override;
    LinkClock& Clock() override { return clock_; }

    // The devices on the bus, in order; a test may change them before an open.
    std::vector<FakeUsbDevice>& Bus() { return bus_; }
    // ftdi_usb_open_dev fails as for a device another program holds.
    void RefuseOpen(bool refuse) { refuseOpen_ = refuse; }
    // Once the chip has handed over `afterBytes` more data bytes, the next
    // ftdi_read_data calls give these codes instead of reading:
    // LIBUSB_ERROR_TIMEOUT after the USB read time-out with the data left in
    // the chip, any other code at once.
    void FailReads(std::vector<int> codes, std::size_t afterBytes = 0);
    // The next ftdi_write_data calls give these codes; nothing reaches the box.
    void FailWrites(std::vector<int> codes);

    // Every call, in order: "ftdi_set_baudrate 57600".
    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // The same without the ftdi_read_data calls (a wait makes many).
    std::vector<std::string> CallsWithoutReads() const;
    // The data bytes of each ftdi_read_data that brought some.
    const std::vector<std::size_t>& Pieces() const { return pieces_; }
    // Every frame the box received, STX to ETX.
    const std::vector<std::string>& Frames() const { return frames_; }
    // The latency timer the box's chip runs at.
    std::chrono::milliseconds Latency() const { return chip_.latency; }
    bool BoxOpen() const { return boxOpen_; }
    bool Unplugged() const { return unplugAt_.has_value(); }
    std::optional<LinkClock::TimePoint> UnpluggedAt() const { return unplugAt_; }

  private:
    class Context;
    using TimePoint = LinkClock::TimePoint;

    struct Arrival {
        TimePoint at;
        std::uint8_t byte;
    };

    // The box's chip from its open on.
    struct Chip {
        int baudRate = 9600;
        FtdiBits bits = FtdiBits::Eight;
        FtdiStopBits stopBits = FtdiStopBits::One;
        FtdiParity parity = FtdiParity::None;
        std::chrono::milliseconds latency = kPowerOnLatency;
        // What came from the box, by when it is in the chip.
        std::deque<Arrival> fifo;
        // What the chip handed over beyond what the caller asked for:
        // libftdi1 keeps it for the next ftdi_read_data.
        std::deque<std::uint8_t> readBuffer;
        TimePoint lastPacket{};
        TimePoint hostLineFree{};
        TimePoint boxLineFree{};
    };

    void Record(std::string call) { calls_.push_back(std::move(call)); }
    bool Gone() const { return unplugAt_ && clock_.Now() >= *unplugAt_; }
    void SleepUntil(TimePoint t) { clock_.SleepFor(t - clock_.Now()); }

    int OpenBox();
    void CloseBox();
    int ReadBox(std::span<std::uint8_t> buffer, int usbReadTimeoutMs);
    int BulkIn(std::vector<std::uint8_t>& data, int usbReadTimeoutMs);
    TimePoint NextPacket(TimePoint from) const;
    int WriteBox(std::span<const std::uint8_t> bytes);
    void SendToHost(const KvdBox::Exchange& exchange, TimePoint frameEnd);
    void FlushIn();

    SimSettings settings_;
    mutable VirtualLinkClock clock_;
    std::vector<FakeUsbDevice> bus_;
    std::vector<bool> held_;  // by bus index: opened by a context
    bool refuseOpen_ = false;
    std::deque<int> readFailures_;
    std::size_t readFailuresAfter_ = 0;
    std::deque<int> writeFailures_;
    std::vector<std::string> calls_;
    std::vector<std::size_t> pieces_;
    std::vector<std::string> frames_;

    bool boxOpen_ = false;
    std::optional<SimUnitFile> file_;
    std::optional<KvdBox> box_;
    Chip chip_;
    std::optional<TimePoint> unplugAt_;
};

// The usb backend on a fake bus whose box runs with `settings` (its path
// and faults; the bus is always in zero time), so a test runs the usb
// route with the same --sim-faults as the simulated box. `fake`, when
// given, receives the bus.
std::shared_ptr<FtLibrary> MakeFakeUsbLibrary(SimSettings settings,
                                              std::shared_ptr<FakeFtdi>* fake = nullptr,
                                              std::string serial = {});

}  // namespace qzt::test
