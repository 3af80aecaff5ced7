#pragma once
// The calls the link makes on the KVD's USB-serial chip, in the shape of the
// chip maker's D2XX library: open by USB description, serial settings, purge,
// time-outs, queue status, read, write, close. Each result is an FT_STATUS
// value. Backends (kernel serial port, libftdi1, simulated box) implement it,
// so the link above is the same whatever carries the bytes.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "device/link/LinkClock.h"

namespace qzt {

// FT_STATUS values (only those our backends give).
enum class FtStatus : std::uint32_t {
    Ok = 0,
    InvalidHandle = 1,
    DeviceNotFound = 2,
    DeviceNotOpened = 3,
    IoError = 4,
    InsufficientResources = 5,
    InvalidParameter = 6,
    InvalidBaudRate = 7,
    NotSupported = 17,
    OtherError = 18,
};

// Argument values of the D2XX calls.
inline constexpr std::uint8_t kFtBits7 = 7;
inline constexpr std::uint8_t kFtBits8 = 8;
inline constexpr std::uint8_t kFtStopBits1 = 0;
inline constexpr std::uint8_t kFtStopBits2 = 2;
inline constexpr std::uint8_t kFtParityNone = 0;
inline constexpr std::uint8_t kFtParityOdd = 1;
inline constexpr std::uint8_t kFtParityEven = 2;
inline constexpr std::uint16_t kFtFlowNone = 0x0000;
inline constexpr std::uint16_t kFtFlowRtsCts = 0x0100;
inline constexpr std::uint16_t kFtFlowXonXoff = 0x0400;
inline constexpr std::uint32_t kFtPurgeRx = 1;
inline constexpr std::uint32_t kFtPurgeTx = 2;

// The results of GetQueueStatus, Read and Write that mean the chip is gone.
constexpr bool IsDeviceGone(FtStatus status) {
    return status == FtStatus::IoError || status == FtStatus::DeviceNotFound;
}

// One open chip (an FT_HANDLE). Destroying a handle without Close releases
// it as Close would.
//
// A chip that has gone (the box unplugged, its USB device removed) answers
// GetQueueStatus, Read and Write with IoError or DeviceNotFound from then
// on; the link takes either as the box being gone. A backend reports any
// other trouble that may pass (a USB transfer that timed out with nothing
// lost) as OtherError or as success with nothing read.
class FtHandle {
  public:
    virtual ~FtHandle() = default;

    virtual FtStatus SetBaudRate(std::uint32_t baudRate) = 0;
    virtual FtStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                            std::uint8_t parity) = 0;
    virtual FtStatus SetFlowControl(std::uint16_t flowControl, std::uint8_t xon,
                                    std::uint8_t xoff) = 0;
    virtual FtStatus ClrDtr() = 0;
    // `mask`: kFtPurgeRx, kFtPurgeTx or both.
    virtual FtStatus Purge(std::uint32_t mask) = 0;
    // Read blocks at most `readMs` for bytes not yet received; Write at most
    // `writeMs` for room in the transmit path.
    virtual FtStatus SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) = 0;
    // Received bytes waiting to be read.
    virtual FtStatus GetQueueStatus(std::uint32_t& waiting) = 0;
    // Reads up to buffer.size() bytes, waiting up to the read time-out for
    // bytes not yet there; `read` tells how many arrived.
    virtual FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) = 0;
    virtual FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) = 0;
    virtual FtStatus Close() = 0;
};

// The library a handle comes from (FT_OpenEx with FT_OPEN_BY_DESCRIPTION).
class FtLibrary {
  public:
    virtual ~FtLibrary() = default;

    // Opens the chip whose USB description is `description`. On FtStatus::Ok
    // `handle` holds the open chip; otherwise it is left empty.
    virtual FtStatus OpenByDescription(std::string_view description,
                                       std::unique_ptr<FtHandle>& handle) = 0;

    // Why the last OpenByDescription found no box, and what the user can do
    // about it, in the string table's words; empty when it is not known.
    // Our own addition to the chip maker's calls: "Could not find KVD!"
    // alone says nothing of a missing udev rule or a port in use.
    virtual std::string OpenFailureReason() const { return {}; }

    // The clock the link times its waits with: the machine's steady clock,
    // or the simulator's own clock when it runs in zero time.
    virtual LinkClock& Clock() { return SteadyLinkClock(); }
};

}  // namespace qzt
