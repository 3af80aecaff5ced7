// qzt read, write, radio-codes and kvd-info: the unit from the shell, through
// the window's own device commands.
#include <algorithm>
#include <ostream>
#include <sstream>

#include "cli/Cli.h"
#include "cli/JsonLine.h"
#include "config/EntryRules.h"
#include "device/DeviceDiscovery.h"
#include "device/link/TUsbInterface.h"
#include "files/ConfigFile.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The six codes of --set=C0,C1,C2,C3,C4,C5, each four hexadecimal characters.
std::optional<UserInterface::RadioCodes> ParseRadioCodes(const std::string& list) {
    UserInterface::RadioCodes codes;
    std::istringstream items(list);
    for (std::string& code : codes) {
        if (!std::getline(items, code, ',') || !IsCompleteRadioCode(code)) {
            return std::nullopt;
        }
    }
    // The sixth code ended the list: no seventh, not even an empty one.
    if (!items.eof()) {
        return std::nullopt;
    }
    return codes;
}

// The image read is kept even when the unit's configuration is corrupt or a
// field is out of its limits: it is what the unit holds.
bool ImageTakenOver(DeviceResult result) {
    return result == DeviceResult::Ok || result == DeviceFault::DecodeFault ||
           result == DeviceFault::Corrupt;
}

}  // namespace

int ExitCodeFor(DeviceResult result) {
    if (result) {
        return kExitOk;
    }
    switch (result.error()) {
        case DeviceFault::Cancelled:
            return kExitOk;
        case DeviceFault::DecodeFault:
        case DeviceFault::EncodeRefused:
            return kExitInvalidData;
        case DeviceFault::NoBox:
        case DeviceFault::NoConnection:
            return kExitNoConnection;
        case DeviceFault::ReadFailed:
        case DeviceFault::WriteFailed:
        case DeviceFault::VerifyFailed:
            return kExitDeviceFailed;
        case DeviceFault::WrongProduct:
            return kExitWrongProduct;
        case DeviceFault::Corrupt:
            return kExitCorrupt;
        case DeviceFault::BackupFailed:
            return kExitFailed;
    }
    return kExitFailed;
}

int RunRead(CliContext& c) {
    if (!c.call.output) {
        return UsageError(c.ui.MessageStream(), TextF(txt::CliWrongArguments, c.call.command));
    }
    TUsbInterface& link = c.session.Link();
    const DeviceResult result = ReadFromDevice(c.state, link, c.ui);
    if (!ImageTakenOver(result)) {
        return ExitCodeFor(result);
    }
    if (const Result<void> written =
            WriteConfigFile(*c.call.output, c.state.CurrentImage, kImageSize);
        !written) {
        c.ui.ShowErrorWithReason(Text(txt::CouldNotSaveConfiguration), written.error().Reason());
        return kExitFailed;
    }
    return ExitCodeFor(result);
}

int RunWrite(CliContext& c) {
    TUsbInterface& link = c.session.Link();
    // Loaded as File > Open loads it; a field out of its limits is refused
    // by the encoding that follows, before the unit is reached.
    const FileResult load = OpenConfigFile(c.state, c.ui, c.call.operands[0]);
    if (load != FileResult::Ok && load != FileFault::DecodeFault) {
        return ExitCodeFor(load);
    }
    return ExitCodeFor(WriteToDevice(c.state, link, c.ui));
}

int RunRadioCodes(CliContext& c) {
    if (c.call.set) {
        const std::optional<UserInterface::RadioCodes> codes = ParseRadioCodes(*c.call.set);
        if (!codes) {
            return UsageError(c.ui.MessageStream(), TextF(txt::CliBadRadioCodes, *c.call.set));
        }
        c.ui.AnswerRadioCodes(*codes);
    }
    TUsbInterface& link = c.session.Link();
    const DeviceResult result = ChangeDeviceRadioCodes(
        c.state, link, c.ui, c.call.set ? RadioCodesDialog::Edit : RadioCodesDialog::ShowOnly);
    // Without --set the dialog only shows the unit's codes: they are what is
    // printed.
    if (!c.call.set && result == DeviceFault::Cancelled && c.ui.ShownRadioCodes()) {
        const UserInterface::RadioCodes& codes = *c.ui.ShownRadioCodes();
        for (std::size_t row = 0; row < codes.size(); ++row) {
            c.out << Text(kRadioCodeCaptions[row]) << ": " << codes[row] << '\n';
        }
    }
    return ExitCodeFor(result);
}

int RunDevices(CliContext& c) {
    const std::vector<FoundDevice> found = FindDevices(c.session.Device(), c.session.Paths());
    const bool usable = std::any_of(found.begin(), found.end(),
                                    [](const FoundDevice& device) { return device.Usable(); });
    if (c.call.json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const FoundDevice& device : found) {
            list.push_back({{"device", device.device},
                            {"place", device.place},
                            {"description", device.description},
                            {"serial", device.serial},
                            {"usable", device.Usable()},
                            {"problem", device.problem},
                            {"automatic", device.automatic}});
        }
        c.out << OneLineJson(list) << '\n';
    } else {
        // One line a device, its fields separated by tabs for scripts; '*'
        // marks what --device=auto would choose.
        for (const FoundDevice& device : found) {
            c.out << (device.automatic ? "* " : "  ") << device.device << '\t' << device.place
                  << '\t' << device.description << '\t' << device.serial << '\t'
                  << (device.Usable() ? Text(txt::DeviceUsable) : device.problem) << '\n';
        }
    }
    if (!usable) {
        c.ui.ShowError(Text(txt::DevicesNoneFound));
        return kExitNoConnection;
    }
    return kExitOk;
}

int RunKvdInfo(CliContext& c) {
    TUsbInterface& link = c.session.Link();
    const bool opened = link.Open() == LinkOk;
    const std::optional<std::string> info = opened ? link.ReadInterfaceInfo() : std::nullopt;
    link.Close();
    if (!info) {
        c.ui.ShowErrorWithReason(Text(txt::KvdNotFound), opened ? "" : link.NotFoundReason());
        return kExitNoConnection;
    }
    c.out << *info << '\n';
    return kExitOk;
}

}  // namespace qzt
