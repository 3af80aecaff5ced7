#pragma once
// The Communication menu's commands: Read from device, Write to device (with
// its read-back verify) and Change Radio Codes in device. They work on the
// main window's state and its link, and talk to the user only through the
// user-interface interface, so the window, the command-line tool and the
// tests run the same code.
//
// Each command opens the link at its start and closes it on every path, and
// restores the cursor however it ends. Every device operation that reaches
// the link leaves a line in the history, and the two that write keep a backup
// of the unit's memory first (device/UnitRecords.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/ProgramState.h"
#include "core/UserInterface.h"
#include "device/link/TUsbInterface.h"
#include "text/Result.h"
#include "text/TextIds.h"

namespace qzt {

// Why a command did not simply succeed, for callers that need more than the
// boxes shown (the command-line tool's exit codes, tests).
enum class DeviceFault {
    DecodeFault,    // read and taken over, but a field is outside its limits
    Corrupt,        // read and taken over, but the unit's checksum is wrong
    Cancelled,      // the radio-code dialog was not confirmed; nothing written
    EncodeRefused,  // a form field was refused; the link was not opened
    NoBox,          // the interface box was not found
    NoConnection,   // the unit did not answer (or its first block could not be read)
    ReadFailed,     // the unit's memory could not be read
    WrongProduct,   // the unit is not a QZT (byte 248)
    BackupFailed,   // the backup could not be saved; nothing written
    WriteFailed,    // the box refused a block
    VerifyFailed,   // the read-back failed or differs from what was written
};
// How a command ended: DeviceResult::Ok, or its fault.
using DeviceResult = Result<void, DeviceFault>;

// The rows' captions: the five alarm inputs, then the technical alarms.
inline constexpr std::array<int, 6> kRadioCodeCaptions = {
    txt::RowAllowUser,   txt::RowDoorClosed,  txt::RowDoorOpened,
    txt::RowInputClosed, txt::RowInputOpened, txt::RowTechnicalAlarms};

// Communication > Read from device: File > New first, then the unit's memory
// into the form and the current image (state 3).
DeviceResult ReadFromDevice(ProgramState& state, TUsbInterface& link, UserInterface& ui);

// Communication > Write to device: encodes the form for the unit (state 4),
// keeps the unit's own bytes 0-13 and 240-255, writes bytes 14-224 and the
// clock block 231-237 and reads everything back to compare.
DeviceResult WriteToDevice(ProgramState& state, TUsbInterface& link, UserInterface& ui);

// Communication > Change Radio Codes in device: the unit's six codes through
// the change dialog (UserInterface::EditRadioCodes), written with the unit's
// checksum renewed and read back. The window's image, form and state are
// not touched. With ShowOnly (the command-line tool printing the codes) the
// dialog only shows them: nothing is written and the history records a read.
enum class RadioCodesDialog { Edit, ShowOnly };
DeviceResult ChangeDeviceRadioCodes(ProgramState& state, TUsbInterface& link, UserInterface& ui,
                                    RadioCodesDialog dialog = RadioCodesDialog::Edit);

// The unit's codes as the dialog shows them, and the dialog's texts stored
// back (two hexadecimal characters per byte, either case; empty is 0x0000).
// The dialog's rows follow the codes' order in memory.
UserInterface::RadioCodes RadioCodesOf(std::span<const std::uint8_t, kImageSize> image);
void StoreRadioCodes(const UserInterface::RadioCodes& codes,
                     std::span<std::uint8_t, kImageSize> image);

// A radio code as the dialog accepts it for writing: exactly four
// hexadecimal characters of either case.
bool IsCompleteRadioCode(std::string_view text);

}  // namespace qzt
