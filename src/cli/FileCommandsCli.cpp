// qzt info, check, diff and set: configuration files from the shell.
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include <ostream>
#include <vector>
#include "cli/JsonLine.h"

#include "cli/Cli.h"
#include "config/Codec.h"
#include "config/FormModel.h"
#include "config/ImageFields.h"
#include "core/FormCodec.h"
#include "files/FileCommands.h"
#include "text/Text.h"

namespace qzt {

int ExitCodeFor(FileResult result) {
    if (result) {
        return kExitOk;
    }
    switch (result.error()) {
        case FileFault::DecodeFault:
        case FileFault::EncodeRefused:
            return kExitInvalidData;
        case FileFault::WrongProduct:
            return kExitWrongProduct;
        default:
            return kExitFailed;
    }
}

namespace {

bool Loaded(FileResult result) {
    return result == FileResult::Ok || result == FileFault::DecodeFault;
}

const ValueListEntry* SelectedEntry(const ProgramState& state, const FormControl& control) {
    const int index = state.Form.*control.selection;
    const ValueList& list = state.List(control.list);
    if (index < 0 || index >= list.Count()) {
        return nullptr;
    }
    return &list.Entries()[static_cast<std::size_t>(index)];
}

nlohmann::ordered_json JsonValue(const ProgramState& state, const FormControl& control) {
    switch (control.kind) {
        case ControlKind::Edit:
            return state.Form.*control.text;
        case ControlKind::CheckBox:
            return state.Form.*control.checked;
        case ControlKind::DropDown:
            if (const ValueListEntry* entry = SelectedEntry(state, control)) {
                return {{"index", state.Form.*control.selection},
                        {"code", entry->code},
                        {"text", entry->text}};
            }
            break;
    }
    return nullptr;
}

// A control's value as `info` and `diff` print it: a drop-down by its text,
// empty when nothing is selected.
std::string ValueText(const ProgramState& state, const FormControl& control) {
    const nlohmann::ordered_json value = JsonValue(state, control);
    if (value.is_string() || value.is_object()) {
        return value.is_object() ? value["text"] : value;
    }
    return value.is_null() ? "" : value.dump();  // check boxes: true, false
}

// The bytes of the image a control shows: those of its field, or of the
// product information; none for the unit's clock, which a file never shows.
ByteRange BytesShownBy(std::string_view control) {
    static constexpr std::pair<std::string_view, ByteRange> kProductInformationShown[] = {
        {"edtProductionDate", kProductionDateBytes},
        {"edtRadioCalibration", {kRadioCalibration, 1}},
        {"edtProgramVersion", kProgramVersionBytes},
        {"edtSerialNumber", kSerialNumberBytes},
    };
    for (const ImageField& field : kImageFields) {
        if (field.control == control) {
            return {field.offset, field.width};
        }
    }
    for (const auto& [name, bytes] : kProductInformationShown) {
        if (name == control) {
            return bytes;
        }
    }
    return {0, 0};
}

// Sets one control from KEY=VALUE as a user would type or pick it; refused
// with the usage error's text.
Result<void> SetControl(ProgramState& state, const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) {
        return Error::Of(txt::CliNotKeyValue, assignment);
    }
    const std::string key = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    const FormControl* control = FindFormControl(key);
    if (control == nullptr) {
        return Error::Of(txt::CliUnknownField, key);
    }
    if (control->readOnly) {
        return Error::Of(txt::CliReadOnlyField, key);
    }
    switch (control->kind) {
        case ControlKind::Edit:
            state.Form.*control->text = value;
            return {};
        case ControlKind::CheckBox:
            if (value == "1" || value == "true") {
                state.Form.*control->checked = true;
            } else if (value == "0" || value == "false") {
                state.Form.*control->checked = false;
            } else {
                return Error::Of(txt::CliBadValue, value, key);
            }
            return {};
        case ControlKind::DropDown: {
            const auto& entries = state.List(control->list).Entries();
            auto match = [&](const ValueListEntry& e) {
                return value.size() > 1 && value[0] == '#'
                           ? std::to_string(e.code) == value.substr(1)
                           : e.text == value;
            };
            const auto found = std::find_if(entries.begin(), entries.end(), match);
            if (found == entries.end()) {
                return Error::Of(txt::CliBadValue, value, key);
            }
            state.Form.*control->selection = static_cast<int>(found - entries.begin());
            return {};
        }
    }
    return {};
}

}  // namespace

int RunInfo(CliContext& c) {
    std::optional<FieldFault> fault;
    const FileResult result = OpenConfigFile(c.state, c.ui, c.call.operands[0], &fault);
    if (!Loaded(result)) {
        return ExitCodeFor(result);
    }
    if (c.call.json) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::object();
        for (const FormControl& control : kFormControls) {
            fields[std::string(control.name)] = JsonValue(c.state, control);
        }
        nlohmann::ordered_json decodeError = nullptr;
        if (fault) {
            // The byte as loaded: the file's image is now the current one.
            const int value = c.state.CurrentImage[static_cast<std::size_t>(fault->index)];
            decodeError = {{"index", fault->index}, {"field", fault->fieldName}, {"value", value}};
        }
        c.out << OneLineJson({{"fields", fields}, {"decodeError", decodeError}}) << '\n';
    } else {
        for (const FormControl& control : kFormControls) {
            c.out << control.name << ": " << ValueText(c.state, control) << '\n';
        }
    }
    return ExitCodeFor(result);
}

int RunCheck(CliContext& c) {
    const FileResult result = OpenConfigFile(c.state, c.ui, c.call.operands[0]);
    if (result != FileResult::Ok) {
        return ExitCodeFor(result);
    }
    // Encoded as Save would, into a copy: check writes nothing.
    ImageBuffer image = c.state.CurrentImage;
    if (auto fault = EncodeFromForm(c.state, c.ui, ImageOf(image), ConfigMode::Saved)) {
        ShowEncodeError(c.ui, *fault);
        return kExitInvalidData;
    }
    return kExitOk;
}

int RunDiff(CliContext& c) {
    ProgramState a = c.state;
    ProgramState b = c.state;
    const FileResult loadA = OpenConfigFile(a, c.ui, c.call.operands[0]);
    if (!Loaded(loadA)) {
        return ExitCodeFor(loadA);
    }
    const FileResult loadB = OpenConfigFile(b, c.ui, c.call.operands[1]);
    if (!Loaded(loadB)) {
        return ExitCodeFor(loadB);
    }
    std::vector<ByteRange> shownDifferently;
    for (const FormControl& control : kFormControls) {
        const std::string va = ValueText(a, control);
        const std::string vb = ValueText(b, control);
        if (va != vb) {
            c.out << control.name << ": " << va << " -> " << vb << '\n';
            shownDifferently.push_back(BytesShownBy(control.name));
        }
    }
    // Every other differing byte once: those no field shows, and those of a
    // field that shows the same for both (a flag of 0 and 2, two codes that
    // are in no value list).
    bool differ = !shownDifferently.empty();
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (a.CurrentImage[i] != b.CurrentImage[i] &&
            std::none_of(shownDifferently.begin(), shownDifferently.end(),
                         [i](ByteRange bytes) { return bytes.Contains(i); })) {
            char line[48];
            std::snprintf(line, sizeof line, "byte %zu: 0x%02X -> 0x%02X\n", i, a.CurrentImage[i],
                          b.CurrentImage[i]);
            c.out << line;
            differ = true;
        }
    }
    // Both files are compared as loaded; a field out of its limits in either
    // is still reported, as info, check and set report it.
    if (loadA == FileFault::DecodeFault || loadB == FileFault::DecodeFault) {
        return kExitInvalidData;
    }
    return differ ? kExitFailed : kExitOk;
}

int RunSet(CliContext& c) {
    // Every assignment is checked before any file is touched.
    ProgramState probe = c.state;
    for (std::size_t i = 1; i < c.call.operands.size(); ++i) {
        if (const Result<void> set = SetControl(probe, c.call.operands[i]); !set) {
            return UsageError(c.ui.MessageStream(), set.error().message);
        }
    }
    const FileResult load = OpenConfigFile(c.state, c.ui, c.call.operands[0]);
    if (!Loaded(load)) {
        return ExitCodeFor(load);
    }
    for (std::size_t i = 1; i < c.call.operands.size(); ++i) {
        (void)SetControl(c.state, c.call.operands[i]);  // checked on the probe
    }
    ApplyCouplings(c.state.Form);
    // Saved as File > Save writes a file the window has open.
    c.state.CurrentFileName = c.call.output.value_or(c.call.operands[0]);
    c.state.ConfigState = ConfigMode::File;
    const FileResult save = FileSave(c.state, c.ui);
    return ExitCodeFor(save != FileResult::Ok ? save : load);
}

}  // namespace qzt
