#include "files/FileCommands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/FileSystem.h"
#include "core/FormCodec.h"
#include "core/StartUp.h"
#include "core/WindowTitle.h"
#include "files/ConfigFile.h"
#include "text/Text.h"

namespace qzt {
namespace {

bool IsConfigExtension(const std::string& path) {
    std::string extension = ExtensionOf(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".qzt";
}

// `path` (whose extension is ".qzt" in any case) as it is spelt on disk.
// "unit.QZT" and "unit.Qzt" are one configuration to the user: where the
// program completes or replaces the extension it takes the spelling that
// exists, rather than making a second file beside it on Linux, where names
// are case-sensitive, or renaming the file on Windows, where they are not
// (there every spelling opens the file, so the folder's listing is what
// tells how it is spelt). `path` itself when it is on disk as spelt; else
// the existing spelling the user chose (`chosen`), else the first other one
// in byte order; `path` when none exists.
std::string SpeltAsOnDisk(const std::string& path, const std::string& chosen = {}) {
    const std::string name = FileNamePart(path);
    const std::string folder = path.substr(0, path.size() - name.size());
    const std::string stem = name.substr(0, name.size() - ExtensionOf(name).size());
    const bool sameStem = !chosen.empty() && IsConfigExtension(chosen) &&
                          chosen.size() == path.size() &&
                          chosen.compare(0, chosen.size() - 4, path, 0, path.size() - 4) == 0;
    const std::string chosenName = sameStem ? FileNamePart(chosen) : std::string();
    std::optional<std::string> found;
    bool exact = false;
    bool chosenOnDisk = false;
    std::error_code error;
    for (std::filesystem::directory_iterator it(PathFromUtf8(folder.empty() ? "." : folder), error),
         end;
         !error && it != end; it.increment(error)) {
        const std::string entry = Utf8FromPath(it->path().filename());
        if (entry.size() == name.size() && entry.compare(0, stem.size(), stem) == 0 &&
            IsConfigExtension(entry) && FileExists(folder + entry)) {
            exact = exact || entry == name;
            chosenOnDisk = chosenOnDisk || entry == chosenName;
            if (!found || entry < *found) {
                found = entry;
            }
        }
    }
    if (exact || !found) {
        return path;
    }
    return chosenOnDisk ? chosen : folder + *found;
}

// One of the three ways a file reaches the window (File > Open, a drop, the
// command line): which files it accepts and what the user sees on the way.
struct LoadWay {
    bool mustExist;             // "File not found" before any other check
    bool qztOnlyAt256;          // a 256-byte file must be named ".qzt"
    bool qztOnlyAt2048;         // so must a 2048-byte file
    int wrongSizeText;          // a size (or name) the way refuses
    int wrongProductText;       // not a QZT image
    bool informWhenLoaded;      // an information box when every field is valid
    bool emptyStatusOnFailure;  // a refusal or a decode error leaves the status text empty
};

constexpr LoadWay kOpenWay{true, false, false, txt::IncorrectFileSize, txt::InvalidProductType,
                           true, false};
constexpr LoadWay kDropWay{
    false, true, false, txt::DropNotConfigurationFile, txt::DropInvalidProductType, false, true};
constexpr LoadWay kCommandLineWay{
    false, true, true, txt::IncorrectFileSize, txt::InvalidProductType, false, false};

bool Accepts(const LoadWay& way, const std::string& path) {
    const std::uint64_t size = ConfigFileSize(path);
    const bool named = IsConfigExtension(path);
    return (size == kImageFileSize && (named || !way.qztOnlyAt256)) ||
           (size == kPaddedFileSize && (named || !way.qztOnlyAt2048));
}

// The checks of `way`, then the load: the file is read into the scratch
// image, becomes the current one (state File, title), is decoded into the
// form and taken over as the current image.
FileResult LoadFile(ProgramState& state, UserInterface& ui, const std::string& path,
                    const LoadWay& way, std::optional<FieldFault>* report = nullptr) {
    auto refuse = [&](const std::string& text, FileResult result) {
        if (way.emptyStatusOnFailure) {
            ui.SetStatusText("");
        }
        ui.ShowError(text);
        return result;
    };
    if (way.mustExist && !FileExists(path)) {
        return refuse(TextF(txt::FileNotFound, path), FileFault::NotFound);
    }
    if (!Accepts(way, path)) {
        return refuse(Text(way.wrongSizeText), FileFault::BadFile);
    }
    if (!ReadConfigFile(path, state.ScratchImage)) {
        return refuse(Text(txt::CouldNotLoadConfiguration), FileFault::ReadFailed);
    }
    if (!IsQztProduct(ImageOf(state.ScratchImage))) {
        return refuse(Text(way.wrongProductText), FileFault::WrongProduct);
    }

    state.CurrentFileName = path;
    state.ConfigState = ConfigMode::File;
    RefreshTitle(state, ui);
    const auto fault = DecodeIntoForm(state, ui, ImageOf(state.ScratchImage), ConfigMode::File);
    if (report != nullptr) {
        *report = fault;
    }
    const std::string opened = TextF(txt::ConfigurationFileOpened, FileNamePart(path));
    if (fault) {
        ShowDecodeError(ui, *fault);
    } else if (way.informWhenLoaded) {
        ui.ShowInformation(opened);
    }
    ui.SetStatusText(fault && way.emptyStatusOnFailure ? std::string() : opened);
    std::copy_n(state.ScratchImage.begin(), kImageSize, state.CurrentImage.begin());
    return fault ? FileResult(FileFault::DecodeFault) : FileResult::Ok;
}

// Save's writing part for a target: the 2048-byte rule, the write, the status
// text or the error box, the title.
FileResult WriteCurrentImage(ProgramState& state, UserInterface& ui, const std::string& target) {
    std::size_t count = kImageSize;
    // A file that exists with 2048 bytes keeps that size: the image, then
    // 0xFF (whatever the file held there before).
    if (FileExists(target) && ConfigFileSize(target) == kPaddedFileSize) {
        std::fill(state.CurrentImage.begin() + kImageSize, state.CurrentImage.end(),
                  std::uint8_t{0xFF});
        count = kImageBufferSize;
    }
    FileResult result = FileResult::Ok;
    if (const Result<void> written = WriteConfigFile(target, state.CurrentImage, count)) {
        ui.SetStatusText(Text(txt::ConfigurationFileSaved));
    } else {
        // The box's text is the same for every failure; the system's reason
        // (a read-only file, a full disk, a missing folder) goes with it.
        ui.ShowErrorWithReason(Text(txt::CouldNotSaveConfiguration), written.error().Reason());
        result = FileFault::WriteFailed;
    }
    RefreshTitle(state, ui);
    return result;
}

// Encodes the form for saving; shows the refusal and empties the status text.
bool EncodeForSaving(ProgramState& state, UserInterface& ui) {
    const auto fault = EncodeFromForm(state, ui, ImageOf(state.CurrentImage), ConfigMode::Saved);
    if (fault) {
        ShowEncodeError(ui, *fault);
        ui.SetStatusText("");
    }
    return !fault;
}

}  // namespace

std::string WithExtension(const std::string& path, const std::string& extension) {
    const std::string current = ExtensionOf(path);
    return path.substr(0, path.size() - current.size()) + extension;
}

FileDialogOptions ConfigFileDialog(const ProgramState& state, int titleText) {
    FileDialogOptions options;
    options.title = Text(titleText);
    options.filterName = Text(txt::FileFilterName);
    options.filterPattern = std::string("*") + kConfigExtension;
    options.fileName = options.filterPattern;
    options.startFolder = state.ActiveConfigDirectory;
    return options;
}

FileResult FileNew(ProgramState& state, UserInterface& ui) {
    // Read into a copy: a Default.bin that fails half-way must not leave a
    // cleared image behind the form.
    ImageBuffer image = state.CurrentImage;
    if (!ReadConfigFile(state.ProgramDataDirectory + kDefaultImageFileName, image)) {
        ui.ShowError(Text(txt::DefaultFileNotFound));
        ui.SetStatusText("");
        return FileFault::ReadFailed;
    }
    state.CurrentImage = image;
    state.ConfigState = ConfigMode::Default;
    const auto fault = DecodeIntoForm(state, ui, ImageOf(state.CurrentImage), ConfigMode::Default);
    if (fault) {
        ShowDecodeError(ui, *fault);
    }
    ui.SetStatusText(Text(txt::DefaultConfigLoaded));
    RefreshTitle(state, ui);
    return fault ? FileResult(FileFault::DecodeFault) : FileResult::Ok;
}

FileResult FileOpen(ProgramState& state, UserInterface& ui) {
    std::optional<std::string> chosen =
        ui.ChooseFileToOpen(ConfigFileDialog(state, txt::OpenDialogTitle));
    if (!chosen) {
        return FileFault::Cancelled;
    }
    std::string path = *chosen;
    if (ExtensionOf(path).empty()) {
        path += kConfigExtension;
    }
    if (IsConfigExtension(path)) {
        path = SpeltAsOnDisk(path);
    }
    return OpenConfigFile(state, ui, path);
}

FileResult OpenConfigFile(ProgramState& state, UserInterface& ui, const std::string& path,
                          std::optional<FieldFault>* fault) {
    return LoadFile(state, ui, path, kOpenWay, fault);
}

FileResult FileSave(ProgramState& state, UserInterface& ui) {
    if (state.ConfigState != ConfigMode::File && state.ConfigState != ConfigMode::Saved) {
        return FileSaveAs(state, ui);
    }
    if (!EncodeForSaving(state, ui)) {
        return FileFault::EncodeRefused;
    }
    return WriteCurrentImage(state, ui, state.CurrentFileName);
}

FileResult FileSaveAs(ProgramState& state, UserInterface& ui) {
    if (!EncodeForSaving(state, ui)) {
        return FileFault::EncodeRefused;
    }
    const ConfigMode previousState = state.ConfigState;
    state.ConfigState = ConfigMode::Saved;
    std::optional<std::string> chosen =
        ui.ChooseFileToSave(ConfigFileDialog(state, txt::SaveDialogTitle));
    if (!chosen) {
        state.ConfigState = previousState;
        return FileFault::Cancelled;
    }
    const std::string target = SpeltAsOnDisk(WithExtension(*chosen, kConfigExtension), *chosen);
    if (FileExists(target)) {
        // Nothing is saved: the status bar must not go on saying an earlier
        // save's "Configuration file saved".
        if (IsReadOnlyFile(target)) {
            ui.ShowInformation(Text(txt::ConfigurationFileReadOnly));
            ui.SetStatusText("");
            state.ConfigState = previousState;
            return FileFault::ReadOnly;
        }
        if (!ui.AskYesNo(Text(txt::ConfigurationFileExists))) {
            ui.SetStatusText("");
            state.ConfigState = previousState;
            return FileFault::Cancelled;
        }
    }
    state.CurrentFileName = target;
    return WriteCurrentImage(state, ui, target);
}

FileResult DropFiles(ProgramState& state, UserInterface& ui,
                     const std::vector<std::string>& paths) {
    if (paths.size() != 1) {
        ui.SetStatusText("");
        ui.ShowError(Text(txt::DropMultipleFiles));
        return FileFault::BadFile;
    }
    return LoadFile(state, ui, paths.front(), kDropWay);
}

FileResult OpenCommandLineFile(ProgramState& state, UserInterface& ui, const std::string& path) {
    return LoadFile(state, ui, path, kCommandLineWay);
}

}  // namespace qzt
