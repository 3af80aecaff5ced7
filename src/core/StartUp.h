#pragma once
// The start-up sequence up to the filling of the drop-downs: the program's
// folders, the provisioning of Values.ini and Default.bin from the templates
// beside the program (again after every version change), the active
// configuration folder and the value lists.

#include <optional>
#include <string>
#include <vector>

#include "core/PlatformFolders.h"
#include "core/ProgramState.h"

namespace qzt {

inline constexpr const char* kValuesTemplateName = "Values.i";
inline constexpr const char* kDefaultTemplateName = "Default.b";
inline constexpr const char* kValuesFileName = "Values.ini";
inline constexpr const char* kDefaultImageFileName = "Default.bin";
inline constexpr const char* kSetupSection = "Setup";
inline constexpr const char* kConfigDirectoryKey = "ConfigDirectory";
inline constexpr const char* kAppVersionKey = "AppVersion";
// The box chosen in Communication > Connection, as a --device= value.
inline constexpr const char* kDeviceKey = "Device";

// The folder of Values.ini and Default.bin: "ORVI/QZT Programmer (EN)/" below
// the application data folder (both levels created), else the executable
// folder. Trailing '/'.
std::string ChooseProgramDataDirectory(const PlatformFolders& folders);

// "ORVI/QZT config/" below the documents folder (created), else "Config/" in
// the executable folder (created). Trailing '/'.
std::string ChooseDefaultConfigDirectory(const PlatformFolders& folders);

// Provisions Values.ini from the template "Values.i": copied at first start,
// replaced when the recorded AppVersion differs from this program's (a
// non-empty ConfigDirectory and Device are carried over), left alone
// otherwise. Points
// `values` at the file when a template exists. Returns true after a version
// change. Throws ValuesIniWriteError when the file cannot be written.
bool ProvisionValuesIni(const std::string& executableFolder,
                        const std::string& programDataDirectory, ValuesIni& values);

// Copies the template "Default.b" to Default.bin when it is missing or the
// version changed.
void ProvisionDefaultImage(const std::string& executableFolder,
                           const std::string& programDataDirectory, bool versionChanged);

// Arguments that are options of ours ("--device=...", "--version") name no
// folder or file; everything after a lone "--" is a path.
std::vector<std::string> PathArguments(const std::vector<std::string>& arguments);

// The first argument naming an existing folder, exactly as written; else the
// Setup/ConfigDirectory value without trailing '/'; else the default folder
// without trailing '/'.
std::string ChooseActiveConfigDirectory(const std::string& defaultConfigDirectory,
                                        const std::vector<std::string>& pathArguments,
                                        const ValuesIni& values);

// The first argument naming an existing file (a folder is no file).
std::optional<std::string> CommandLineFile(const std::vector<std::string>& pathArguments);

// Loads the seven value lists from Values.ini in their fixed order.
void LoadValueLists(ProgramState& state);

// The default folder dialog's OK: the folder becomes the active folder at
// once and is stored as Setup/ConfigDirectory. A refused write throws
// ValuesIniWriteError; the new folder stays active for the run all the same.
void StoreActiveConfigDirectory(ProgramState& state, const std::string& folder);

// Folders, provisioning, active folder and value lists, in this order. A
// refused write to Values.ini throws ValuesIniWriteError and ends the sequence
// where it stands.
void RunStartUp(ProgramState& state, const PlatformFolders& folders,
                const std::vector<std::string>& pathArguments);

}  // namespace qzt
