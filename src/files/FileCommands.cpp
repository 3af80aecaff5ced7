#include "files/FileCommands.h"

#include <algorithm>
#include <cctype>

#include "core/FileSystem.h"
#include "core/FormCodec.h"
#include "core/StartUp.h"
#include "core/WindowTitle.h"
#include "files/ConfigFile.h"
#include "text/Text.h"

namespace qzt {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsConfigExtension(const std::string& path) {
    return Lower(ExtensionOf(path)) == ".qzt";
}

void TakeOverScratchImage(ProgramState& state) {
    std::copy_n(state.ScratchImage.begin(), kImageSize, state.CurrentImage.begin());
}

// The common end of every load: the file becomes the current one (state 1),
// the image is decoded into the form and taken over. Returns the decoder's
// result and the name of its last failing field.
int LoadScratchImage(ProgramState& state, UserInterface& ui, const std::string& path,
                     std::string& fieldName) {
    state.CurrentFileName = path;
    state.ConfigState = kStateFile;
    RefreshTitle(state, ui);
    return DecodeIntoForm(state, ui, ImageOf(state.ScratchImage), kStateFile, fieldName);
}

// Reads the file into the scratch image and tests the product type, with
// Open's messages (the command-line file shares them).
FileResult ReadIntoScratch(ProgramState& state, UserInterface& ui, const std::string& path) {
    if (!ReadConfigFile(path, state.ScratchImage)) {
        ui.ShowError(Text(txt::CouldNotLoadConfiguration));
        return FileResult::ReadFailed;
    }
    if (!IsQztProduct(ImageOf(state.ScratchImage))) {
        ui.ShowError(Text(txt::InvalidProductType));
        return FileResult::WrongProduct;
    }
    return FileResult::Ok;
}

std::string OpenedText(const std::string& path) {
    return TextF(txt::ConfigurationFileOpened, FileNamePart(path));
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
    if (WriteConfigFile(target, state.CurrentImage, count)) {
        ui.SetStatusText(Text(txt::ConfigurationFileSaved));
    } else {
        ui.ShowError(Text(txt::CouldNotSaveConfiguration));
        result = FileResult::WriteFailed;
    }
    RefreshTitle(state, ui);
    return result;
}

// Encodes the form for saving; shows the refusal and empties the status text.
bool EncodeForSaving(ProgramState& state, UserInterface& ui) {
    std::string valueText, fieldName;
    const int result =
        EncodeFromForm(state, ui, ImageOf(state.CurrentImage), kStateSaved, valueText, fieldName);
    if (result == kNoFailure) {
        return true;
    }
    ShowEncodeError(ui, fieldName, valueText);
    ui.SetStatusText("");
    return false;
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
        return FileResult::ReadFailed;
    }
    state.CurrentImage = image;
    state.ConfigState = kStateDefault;
    std::string fieldName;
    const int fault =
        DecodeIntoForm(state, ui, ImageOf(state.CurrentImage), kStateDefault, fieldName);
    if (fault != kNoFailure) {
        ShowDecodeError(ui, fieldName, fault, ImageOf(state.CurrentImage));
    }
    ui.SetStatusText(Text(txt::DefaultConfigLoaded));
    RefreshTitle(state, ui);
    return fault == kNoFailure ? FileResult::Ok : FileResult::DecodeFault;
}

FileResult FileOpen(ProgramState& state, UserInterface& ui) {
    std::optional<std::string> chosen =
        ui.ChooseFileToOpen(ConfigFileDialog(state, txt::OpenDialogTitle));
    if (!chosen) {
        return FileResult::Cancelled;
    }
    std::string path = *chosen;
    if (ExtensionOf(path).empty()) {
        path += kConfigExtension;
    }
    return OpenConfigFile(state, ui, path);
}

FileResult OpenConfigFile(ProgramState& state, UserInterface& ui, const std::string& path,
                          DecodeFault* report) {
    if (!FileExists(path)) {
        ui.ShowError(TextF(txt::FileNotFound, path));
        return FileResult::NotFound;
    }
    const std::uint64_t size = ConfigFileSize(path);
    if (size != kImageFileSize && size != kPaddedFileSize) {
        ui.ShowError(Text(txt::IncorrectFileSize));
        return FileResult::BadFile;
    }
    if (FileResult read = ReadIntoScratch(state, ui, path); read != FileResult::Ok) {
        return read;
    }
    std::string fieldName;
    const int fault = LoadScratchImage(state, ui, path, fieldName);
    if (report != nullptr && fault != kNoFailure) {
        *report =
            DecodeFault{fault, fieldName, state.ScratchImage[static_cast<std::size_t>(fault)]};
    }
    const std::string text = OpenedText(path);
    if (fault == kNoFailure) {
        ui.ShowInformation(text);
    } else {
        ShowDecodeError(ui, fieldName, fault, ImageOf(state.ScratchImage));
    }
    ui.SetStatusText(text);
    TakeOverScratchImage(state);
    return fault == kNoFailure ? FileResult::Ok : FileResult::DecodeFault;
}

FileResult FileSave(ProgramState& state, UserInterface& ui) {
    if (state.ConfigState != kStateFile && state.ConfigState != kStateSaved) {
        return FileSaveAs(state, ui);
    }
    if (!EncodeForSaving(state, ui)) {
        return FileResult::EncodeRefused;
    }
    return WriteCurrentImage(state, ui, state.CurrentFileName);
}

FileResult FileSaveAs(ProgramState& state, UserInterface& ui) {
    if (!EncodeForSaving(state, ui)) {
        return FileResult::EncodeRefused;
    }
    const int previousState = state.ConfigState;
    state.ConfigState = kStateSaved;
    std::optional<std::string> chosen =
        ui.ChooseFileToSave(ConfigFileDialog(state, txt::SaveDialogTitle));
    if (!chosen) {
        state.ConfigState = previousState;
        return FileResult::Cancelled;
    }
    const std::string target = WithExtension(*chosen, kConfigExtension);
    if (FileExists(target)) {
        if (IsReadOnlyFile(target)) {
            ui.ShowInformation(Text(txt::ConfigurationFileReadOnly));
            state.ConfigState = previousState;
            return FileResult::ReadOnly;
        }
        if (!ui.AskYesNo(Text(txt::ConfigurationFileExists))) {
            state.ConfigState = previousState;
            return FileResult::Cancelled;
        }
    }
    state.CurrentFileName = target;
    return WriteCurrentImage(state, ui, target);
}

FileResult DropFiles(ProgramState& state, UserInterface& ui,
                     const std::vector<std::string>& paths) {
    // Every refusal empties the status text before its box.
    auto refuse = [&ui](int text, FileResult result) {
        ui.SetStatusText("");
        ui.ShowError(Text(text));
        return result;
    };
    if (paths.size() != 1) {
        return refuse(txt::DropMultipleFiles, FileResult::BadFile);
    }
    const std::string& path = paths.front();
    const std::uint64_t size = ConfigFileSize(path);
    const bool accepted =
        (IsConfigExtension(path) && size == kImageFileSize) || size == kPaddedFileSize;
    if (!accepted) {
        return refuse(txt::DropNotConfigurationFile, FileResult::BadFile);
    }
    if (!ReadConfigFile(path, state.ScratchImage)) {
        return refuse(txt::CouldNotLoadConfiguration, FileResult::ReadFailed);
    }
    if (!IsQztProduct(ImageOf(state.ScratchImage))) {
        return refuse(txt::DropInvalidProductType, FileResult::WrongProduct);
    }
    std::string fieldName;
    const int fault = LoadScratchImage(state, ui, path, fieldName);
    if (fault == kNoFailure) {
        ui.SetStatusText(OpenedText(path));
    } else {
        ShowDecodeError(ui, fieldName, fault, ImageOf(state.ScratchImage));
        ui.SetStatusText("");
    }
    TakeOverScratchImage(state);
    return fault == kNoFailure ? FileResult::Ok : FileResult::DecodeFault;
}

FileResult OpenCommandLineFile(ProgramState& state, UserInterface& ui, const std::string& path) {
    const std::uint64_t size = ConfigFileSize(path);
    if (!IsConfigExtension(path) || (size != kImageFileSize && size != kPaddedFileSize)) {
        ui.ShowError(Text(txt::IncorrectFileSize));
        return FileResult::BadFile;
    }
    if (FileResult read = ReadIntoScratch(state, ui, path); read != FileResult::Ok) {
        return read;
    }
    std::string fieldName;
    const int fault = LoadScratchImage(state, ui, path, fieldName);
    if (fault != kNoFailure) {
        ShowDecodeError(ui, fieldName, fault, ImageOf(state.ScratchImage));
    }
    ui.SetStatusText(OpenedText(path));
    TakeOverScratchImage(state);
    return fault == kNoFailure ? FileResult::Ok : FileResult::DecodeFault;
}

}  // namespace qzt
