#include "device/commands/DeviceCommands.h"

#include <algorithm>
#include <cctype>

#include "config/ImageFields.h"
#include "core/FormCodec.h"
#include "core/WindowTitle.h"
#include "device/commands/UnitRecords.h"
#include "files/FileCommands.h"
#include "text/Text.h"

namespace qzt {
namespace {

static_assert(kRadioCodeBlock.first == 0 && kSettings.Last() == kChecksumOffset);
static_assert(kRadioCodes.count == 2 * std::tuple_size_v<UserInterface::RadioCodes>);

// How many blocks the link cuts a range into.
constexpr std::size_t Blocks(ByteRange range) {
    return (range.count - 1u) / kvd::kMaxBlock + 1;
}
constexpr std::size_t kImageBlocks = (kImageSize - 1) / kvd::kMaxBlock + 1;

// The menu caption without its access-key marker: how the history names a
// command.
std::string CommandName(int caption) {
    std::string name = Text(caption);
    name.erase(std::remove(name.begin(), name.end(), '&'), name.end());
    return name;
}

bool EqualOver(std::span<const std::uint8_t, kImageSize> a,
               std::span<const std::uint8_t, kImageSize> b, unsigned first, unsigned last) {
    return std::equal(a.begin() + first, a.begin() + last + 1, b.begin() + first);
}

// One device operation while it runs: it shows the hourglass and the blocks'
// progress, and however it ends, the link is closed, the cursor restored, the
// progress hidden and its line added to the history. The steps that close the
// link or restore the cursor earlier do so through it.
class DeviceOperation {
  public:
    DeviceOperation(ProgramState& state, TUsbInterface& link, UserInterface& ui, int command,
                    std::size_t blocks)
        : state_(state), link_(link), ui_(ui), cursor_(ui) {
        entry_.time = ui.LocalTimeNow();
        entry_.command = CommandName(command);
        // The link counts the blocks of each range; the user sees those of
        // the whole command.
        link_.SetProgressHandler([this, blocks](std::size_t, std::size_t) {
            done_ = std::min(done_ + 1, blocks);
            progressShown_ = true;
            ui_.ShowProgress(done_, blocks);
        });
    }

    ~DeviceOperation() {
        link_.SetProgressHandler({});
        link_.Close();
        cursor_.Release();
        HideProgress();
        // A history that cannot be written does not change what happened to
        // the unit; the user has been told that already.
        static_cast<void>(AppendHistory(state_.ProgramDataDirectory, entry_));
    }

    DeviceOperation(const DeviceOperation&) = delete;
    DeviceOperation& operator=(const DeviceOperation&) = delete;

    void CloseLink() { link_.Close(); }
    void RestoreCursor() { cursor_.Release(); }
    void HideProgress() {
        if (progressShown_) {
            progressShown_ = false;
            ui_.EndProgress();
        }
    }

    // A status text that is painted before the link goes quiet for a while.
    void Status(int text) {
        ui_.SetStatusText(Text(text));
        ui_.ProcessPendingMessages();
    }

    void NoteUnit(std::span<const std::uint8_t, kImageSize> image) {
        entry_.serialNumber = SerialNumberText(image);
    }
    // What the history says of the operation: the first thing reported.
    void NoteResult(const std::string& text) {
        if (entry_.result.empty()) {
            entry_.result = OneLine(text);
        }
    }

    void Error(const std::string& text, const std::string& reason = {}) {
        HideProgress();
        NoteResult(text);
        if (reason.empty()) {
            ui_.ShowError(text);
        } else {
            ui_.ShowErrorWithReason(text, reason);
        }
    }
    void Information(const std::string& text) {
        HideProgress();
        ui_.ShowInformation(text);
    }

    // A failure that is both the status text and an error box.
    DeviceResult Fail(const std::string& message, DeviceResult result) {
        ui_.SetStatusText(message);
        Error(message);
        return result;
    }
    DeviceResult Fail(int message, DeviceResult result) { return Fail(Text(message), result); }

    // The box could not be had: the message, with the reason behind it as
    // its details.
    DeviceResult NoBox(int message) {
        ui_.SetStatusText(Text(message));
        Error(Text(message), link_.NotFoundReason());
        return DeviceFault::NoBox;
    }

    // A failure found before anything was written: the link is closed and
    // the hourglass gone before the message is shown.
    DeviceResult FailClosed(const std::string& message, DeviceResult result) {
        CloseLink();
        RestoreCursor();
        return Fail(message, result);
    }
    DeviceResult FailClosed(int message, DeviceResult result) {
        return FailClosed(Text(message), result);
    }
    DeviceResult WrongProductClosed() {
        CloseLink();
        RestoreCursor();
        return WrongProduct();
    }

    // Another product behind the box: the status text is emptied.
    DeviceResult WrongProduct() {
        ui_.SetStatusText("");
        Error(Text(txt::InvalidProductType));
        return DeviceFault::WrongProduct;
    }

    // Success: the status text, then an information box.
    DeviceResult Complete(int status, int box) {
        ui_.SetStatusText(Text(status));
        NoteResult(Text(status));
        Information(Text(box));
        return DeviceResult::Ok;
    }

  private:
    ProgramState& state_;
    TUsbInterface& link_;
    UserInterface& ui_;
    BusyCursor cursor_;
    HistoryEntry entry_;
    std::size_t done_ = 0;
    bool progressShown_ = false;
};

}  // namespace

UserInterface::RadioCodes RadioCodesOf(std::span<const std::uint8_t, kImageSize> image) {
    UserInterface::RadioCodes codes;
    for (std::size_t row = 0; row < codes.size(); ++row) {
        codes[row] = CodeToHexText(image, kRadioCodes.first + 2 * row);
    }
    return codes;
}

void StoreRadioCodes(const UserInterface::RadioCodes& codes,
                     std::span<std::uint8_t, kImageSize> image) {
    for (std::size_t row = 0; row < codes.size(); ++row) {
        HexTextToCode(codes[row], image, kRadioCodes.first + 2 * row);
    }
}

bool IsCompleteRadioCode(std::string_view text) {
    return text.size() == 4 && std::all_of(text.begin(), text.end(),
                                           [](unsigned char c) { return std::isxdigit(c) != 0; });
}

DeviceResult ReadFromDevice(ProgramState& state, TUsbInterface& link, UserInterface& ui) {
    // The default configuration first, whatever New reports: a read that
    // fails leaves it shown.
    FileNew(state, ui);

    DeviceOperation op(state, link, ui, txt::MenuComReadFromDevice,
                       Blocks(kProductInformation) + kImageBlocks);
    if (link.Open() != LinkOk) {
        return op.NoBox(txt::KvdNotFound);
    }
    if (link.CheckConnection() != LinkOk) {
        return op.Fail(txt::NoConnection, DeviceFault::NoConnection);
    }
    op.Status(txt::ReadingFromUnit);
    // The short read comes first: a unit that answers the connection check
    // but not a block read is still no connection; only a failure of the
    // full read is a read error.
    const auto scratch = ImageOf(state.ScratchImage);
    if (link.ReadRange(scratch, kProductInformation.first, kProductInformation.Last()) != LinkOk) {
        return op.Fail(txt::NoConnection, DeviceFault::NoConnection);
    }
    if (link.ReadImage(scratch) != LinkOk) {
        return op.Fail(txt::ErrorReadingFromUnit, DeviceFault::ReadFailed);
    }
    op.RestoreCursor();
    op.HideProgress();

    // Nothing of another product's memory reaches the form.
    if (!IsQztProduct(scratch)) {
        return op.WrongProduct();
    }
    op.NoteUnit(scratch);

    // A corrupt or out-of-limits configuration is still taken over: the user
    // sees the unit's values and is told to check and rewrite them.
    DeviceResult result = DeviceResult::Ok;
    if (!ChecksumMatches(scratch)) {
        ui.SetStatusText("");
        op.Error(Text(txt::ConfigurationCorrupt));
        result = DeviceFault::Corrupt;
    }
    state.ConfigState = ConfigMode::Read;
    if (const auto fault = DecodeIntoForm(state, ui, scratch, ConfigMode::Read)) {
        op.NoteResult(DecodeErrorText(*fault));
        ShowDecodeError(ui, *fault);
        if (result == DeviceResult::Ok) {
            result = DeviceFault::DecodeFault;
        }
    }
    std::copy_n(state.ScratchImage.begin(), kImageSize, state.CurrentImage.begin());

    if (result == DeviceResult::Ok) {
        op.Complete(txt::ReadComplete, txt::ReadComplete);
    }
    RefreshTitle(state, ui);
    return result;
}

DeviceResult WriteToDevice(ProgramState& state, TUsbInterface& link, UserInterface& ui) {
    // Whatever follows, the shown configuration counts as sent to the unit:
    // the next Save asks for a name.
    state.ConfigState = ConfigMode::Written;
    const auto current = ImageOf(state.CurrentImage);
    if (const auto fault = EncodeFromForm(state, ui, current, ConfigMode::Written)) {
        ShowEncodeError(ui, *fault);
        return DeviceFault::EncodeRefused;
    }

    const bool backup = BackupBeforeWriteEnabled(state.Values);
    DeviceOperation op(state, link, ui, txt::MenuComWriteToDevice,
                       Blocks(kRadioCodeBlock) + Blocks(kProductInformation) +
                           (backup ? kImageBlocks : 0) + Blocks(kSettings) + Blocks(kClockBlock) +
                           kImageBlocks);
    if (link.Open() != LinkOk) {
        return op.NoBox(txt::KvdNotFound);
    }
    if (link.CheckConnection() != LinkOk) {
        return op.Fail(txt::NoConnection, DeviceFault::NoConnection);
    }
    op.Status(txt::WritingToUnit);

    // The unit's own bytes: its radio codes and its product information.
    const auto scratch = ImageOf(state.ScratchImage);
    const bool unitRead =
        link.ReadRange(scratch, kRadioCodeBlock.first, kRadioCodeBlock.Last()) == LinkOk &&
        link.ReadRange(scratch, kProductInformation.first, kProductInformation.Last()) == LinkOk;
    if (!unitRead) {
        return op.FailClosed(txt::NoConnection, DeviceFault::NoConnection);
    }
    if (!IsQztProduct(scratch)) {
        return op.WrongProductClosed();
    }
    op.NoteUnit(scratch);

    // The unit as it is, kept before the first block goes out, so that it
    // can be put back. A unit that cannot be read whole, or a backup that
    // cannot be kept, gets nothing written.
    if (backup) {
        ConfigImage before{};
        if (link.ReadImage(before) != LinkOk) {
            return op.FailClosed(txt::NoConnection, DeviceFault::NoConnection);
        }
        if (const auto saved =
                SaveUnitBackup(state.ProgramDataDirectory, before, ui.LocalTimeNow());
            !saved) {
            return op.FailClosed(TextF(txt::BackupFailed, saved.error().path),
                                 DeviceFault::BackupFailed);
        }
    }

    // The unit keeps its radio codes (they change only through Change Radio
    // Codes) and its product information, whatever the form or a loaded
    // file held there; the checksum covers them.
    std::copy(scratch.begin() + kProductInformation.first, scratch.end(),
              current.begin() + kProductInformation.first);
    std::copy(scratch.begin(), scratch.begin() + kRadioCodeBlock.End(), current.begin());
    StoreChecksum(current);

    // Both ranges are tried even when the first was refused. A block the box
    // never answered is not reported here; the read-back finds it.
    const LinkResult settings = link.WriteRange(current, kSettings.first, kSettings.Last());
    const LinkResult clock = link.WriteRange(current, kClockBlock.first, kClockBlock.Last());
    if (settings != LinkOk || clock != LinkOk) {
        return op.Fail(txt::ErrorWritingToUnit, DeviceFault::WriteFailed);
    }

    op.Status(txt::Verifying);
    if (link.ReadImage(scratch) != LinkOk) {
        return op.Fail(txt::VerifyError, DeviceFault::VerifyFailed);
    }
    // Bytes 225-230 and 238-239 are neither written nor compared; 240-255
    // were taken from the unit.
    if (!EqualOver(current, scratch, 0, kChecksumOffset) ||
        !EqualOver(current, scratch, kClockBlock.first, kClockBlock.Last())) {
        return op.Fail(txt::VerifyError, DeviceFault::VerifyFailed);
    }
    return op.Complete(txt::WriteAndVerifyComplete, txt::ConfigurationUpdated);
}

DeviceResult ChangeDeviceRadioCodes(ProgramState& state, TUsbInterface& link, UserInterface& ui,
                                    RadioCodesDialog dialog) {
    // The unit's whole memory in a copy of its own: the window's image, form
    // and state stay as they are.
    ConfigImage unit{};
    // The probe, the full read, two writes and two read-backs.
    DeviceOperation op(
        state, link, ui, txt::MenuComChangeDeviceRadioCodes,
        1 + kImageBlocks + Blocks(kRadioCodeBlock) + 1 + Blocks(kRadioCodeBlock) + 1);
    if (link.Open() != LinkOk) {
        op.RestoreCursor();
        return op.NoBox(txt::ErrorReadingFromUnit);
    }
    if (link.CheckConnection() != LinkOk) {
        op.RestoreCursor();
        return op.Fail(txt::ErrorReadingFromUnit, DeviceFault::NoConnection);
    }
    if (link.ReadRange(unit, kProductInformation.first, kProductInformation.first) != LinkOk) {
        return op.FailClosed(txt::NoConnection, DeviceFault::NoConnection);
    }
    if (link.ReadImage(unit) != LinkOk) {
        op.RestoreCursor();
        return op.Fail(txt::ErrorReadingFromUnit, DeviceFault::ReadFailed);
    }
    if (!IsQztProduct(unit)) {
        return op.WrongProductClosed();
    }
    op.NoteUnit(unit);
    op.RestoreCursor();
    op.HideProgress();

    // The link stays open while the user edits the codes.
    const UserInterface::RadioCodes oldCodes = RadioCodesOf(unit);
    UserInterface::RadioCodes newCodes = oldCodes;
    const bool showOnly = dialog == RadioCodesDialog::ShowOnly;
    if (!ui.EditRadioCodes(oldCodes, newCodes) || showOnly) {
        op.CloseLink();
        op.NoteResult(Text(showOnly ? txt::ReadComplete : txt::RadioCodesAbort));
        return DeviceFault::Cancelled;
    }

    if (BackupBeforeWriteEnabled(state.Values)) {
        if (const auto saved = SaveUnitBackup(state.ProgramDataDirectory, unit, ui.LocalTimeNow());
            !saved) {
            return op.Fail(TextF(txt::BackupFailed, saved.error().path), DeviceFault::BackupFailed);
        }
    }

    // Bytes 0-1 go back unchanged with the six codes.
    StoreRadioCodes(newCodes, unit);
    StoreChecksum(unit);
    if (link.WriteRange(unit, kRadioCodeBlock.first, kRadioCodeBlock.Last()) != LinkOk ||
        link.WriteRange(unit, kChecksumOffset, kChecksumOffset) != LinkOk) {
        return op.Fail(txt::ErrorWritingToUnit, DeviceFault::WriteFailed);
    }
    // The checksum is read back with the codes: a checksum write that went
    // unanswered would leave the unit with new codes under the old checksum,
    // a configuration the next read calls corrupt.
    const auto scratch = ImageOf(state.ScratchImage);
    if (link.ReadRange(scratch, kRadioCodeBlock.first, kRadioCodeBlock.Last()) != LinkOk ||
        link.ReadRange(scratch, kChecksumOffset, kChecksumOffset) != LinkOk) {
        return op.Fail(txt::VerifyError, DeviceFault::VerifyFailed);
    }
    op.CloseLink();
    if (!EqualOver(scratch, unit, kRadioCodeBlock.first, kRadioCodeBlock.Last()) ||
        scratch[kChecksumOffset] != unit[kChecksumOffset]) {
        return op.Fail(txt::VerifyError, DeviceFault::VerifyFailed);
    }
    return op.Complete(txt::WriteAndVerifyComplete, txt::ConfigurationUpdated);
}

}  // namespace qzt
