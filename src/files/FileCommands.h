#pragma once
// The File menu's commands on configuration files (New, Open, Save, Save As),
// a file dropped on the window and the file named on the command line. They
// work on the main window's state and talk to the user only through the
// user-interface interface, so the window, the command-line tool and the
// tests run the same code.

#include <optional>
#include <string>
#include <vector>

#include "config/FieldFault.h"
#include "core/ProgramState.h"
#include "core/UserInterface.h"
#include "text/Result.h"

namespace qzt {

// Why a command did not simply succeed, for callers that need more than the
// boxes shown (the command-line tool's exit codes, tests).
enum class FileFault {
    DecodeFault,    // loaded, but a field is outside its limits (reported)
    Cancelled,      // the user cancelled a dialog or declined to overwrite
    NotFound,       // the file does not exist
    BadFile,        // refused: size, extension, several files dropped
    ReadFailed,     // the file could not be read
    WrongProduct,   // not a QZT image (byte 248)
    EncodeRefused,  // a form field was refused; nothing written
    ReadOnly,       // the target is read-only; nothing written
    WriteFailed,    // the write failed; the old file is untouched
};
// How a command ended: FileResult::Ok, or its fault.
using FileResult = Result<void, FileFault>;

inline constexpr const char* kConfigExtension = ".Qzt";

// File > New: reads Default.bin from the program data folder into the
// current image and shows it (state 0).
FileResult FileNew(ProgramState& state, UserInterface& ui);

// File > Open: the open dialog, then OpenConfigFile of the chosen path with
// ".Qzt" appended to a name without extension.
FileResult FileOpen(ProgramState& state, UserInterface& ui);
// Open's checks and load for a given path: exists, size 256 or 2048, readable,
// product type; then state 1, title, decode, information box or decode
// error, status text, and the image taken over. `fault`, when given, receives
// what the decoder reported once the file was loaded.
FileResult OpenConfigFile(ProgramState& state, UserInterface& ui, const std::string& path,
                          std::optional<FieldFault>* fault = nullptr);

// File > Save: writes the form to the current file in states 1 and 2; in any
// other state it is Save As.
FileResult FileSave(ProgramState& state, UserInterface& ui);
// File > Save As: encodes first, then asks for the target (".Qzt" replaces any
// extension), refuses a read-only target, asks before overwriting.
FileResult FileSaveAs(ProgramState& state, UserInterface& ui);

// Files dropped on the window; exactly one is loaded, under the drop's own
// acceptance rule (".qzt" and 256 bytes, or 2048 bytes with any extension).
FileResult DropFiles(ProgramState& state, UserInterface& ui, const std::vector<std::string>& paths);

// The file named on the command line, after the start-up New: ".qzt" and 256
// or 2048 bytes.
FileResult OpenCommandLineFile(ProgramState& state, UserInterface& ui, const std::string& path);

// The open and save dialogs' settings.
FileDialogOptions ConfigFileDialog(const ProgramState& state, int titleText);

// `path` with its extension replaced by `extension` (appended when it has none).
std::string WithExtension(const std::string& path, const std::string& extension);

}  // namespace qzt
