#include "core/StartUp.h"

#include "core/FileSystem.h"
#include "core/VersionInfo.h"
#include "text/Text.h"

namespace qzt {

std::string ChooseProgramDataDirectory(const PlatformFolders& folders) {
    std::optional<std::string> data = folders.ApplicationDataFolder();
    if (data && DirectoryExists(*data)) {
        const std::string base = StripTrailingSeparators(*data);
        // A folder that cannot be created is not reported: the path is used
        // all the same, and the first write to it tells the user.
        CreateFolder(base + "/ORVI/");
        const std::string folder = base + Text(txt::ProgramDataSubfolder);
        CreateFolder(folder);
        return WithTrailingSeparator(folder);
    }
    return WithTrailingSeparator(folders.ExecutableFolder());
}

std::string ChooseDefaultConfigDirectory(const PlatformFolders& folders) {
    std::optional<std::string> documents = folders.DocumentsFolder();
    if (documents && DirectoryExists(*documents)) {
        const std::string base = StripTrailingSeparators(*documents);
        CreateFolder(base + "/ORVI/");
        CreateFolder(base + "/ORVI/QZT config/");
        return base + "/ORVI/QZT config/";
    }
    const std::string fallback = WithTrailingSeparator(folders.ExecutableFolder()) + "Config/";
    CreateFolder(fallback);
    return fallback;
}

bool ProvisionValuesIni(const std::string& executableFolder,
                        const std::string& programDataDirectory, ValuesIni& values) {
    if (!FileExists(executableFolder + kValuesTemplateName)) {
        return false;
    }
    const std::string target = programDataDirectory + kValuesFileName;
    if (FileExists(target)) {
        values.SetFileName(target);
        // The user's own choices survive the new template.
        const std::string configDirectory = values.ReadValue(kSetupSection, kConfigDirectoryKey);
        const std::string device = values.ReadValue(kSetupSection, kDeviceKey);
        const std::string recordedVersion = values.ReadValue(kSetupSection, kAppVersionKey);
        if (recordedVersion == FileVersionString()) {
            return false;
        }
        // A copy that failed shows when Values.ini is written next.
        static_cast<void>(CopyFileShared(executableFolder, kValuesTemplateName, kValuesFileName,
                                         programDataDirectory));
        if (!configDirectory.empty()) {
            values.WriteValue(kSetupSection, kConfigDirectoryKey, configDirectory);
        }
        if (!device.empty()) {
            values.WriteValue(kSetupSection, kDeviceKey, device);
        }
        values.WriteValue(kSetupSection, kAppVersionKey, FileVersionString());
        return true;
    }
    static_cast<void>(CopyFileShared(executableFolder, kValuesTemplateName, kValuesFileName,
                                     programDataDirectory));
    values.SetFileName(target);
    values.WriteValue(kSetupSection, kAppVersionKey, FileVersionString());
    return false;
}

void ProvisionDefaultImage(const std::string& executableFolder,
                           const std::string& programDataDirectory, bool versionChanged) {
    if (!FileExists(executableFolder + kDefaultTemplateName)) {
        return;
    }
    if (versionChanged || !FileExists(programDataDirectory + kDefaultImageFileName)) {
        // A copy that failed shows when New reads Default.bin.
        static_cast<void>(CopyFileShared(executableFolder, kDefaultTemplateName,
                                         kDefaultImageFileName, programDataDirectory));
    }
}

std::vector<std::string> PathArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (optionsEnded || argument.rfind("--", 0) != 0) {
            paths.push_back(argument);
        }
    }
    return paths;
}

std::string ChooseActiveConfigDirectory(const std::string& defaultConfigDirectory,
                                        const std::vector<std::string>& pathArguments,
                                        const ValuesIni& values) {
    for (const std::string& argument : pathArguments) {
        if (DirectoryExists(argument)) {
            return argument;
        }
    }
    const std::string stored = values.ReadValue(kSetupSection, kConfigDirectoryKey);
    if (!stored.empty()) {
        return StripTrailingSeparators(stored);
    }
    return StripTrailingSeparators(defaultConfigDirectory);
}

std::optional<std::string> CommandLineFile(const std::vector<std::string>& pathArguments) {
    for (const std::string& argument : pathArguments) {
        if (FileExists(argument)) {
            return argument;
        }
    }
    return std::nullopt;
}

void LoadValueLists(ProgramState& state) {
    for (const DropDownSource& source : kDropDownSources) {
        LoadValueList(state.Values.Snapshot(), source.section, state.List(source.dropDown));
    }
}

void StoreActiveConfigDirectory(ProgramState& state, const std::string& folder) {
    state.ActiveConfigDirectory = folder;
    state.Values.WriteValue(kSetupSection, kConfigDirectoryKey, folder);
}

void RunStartUp(ProgramState& state, const PlatformFolders& folders,
                const std::vector<std::string>& pathArguments) {
    const std::string executableFolder = WithTrailingSeparator(folders.ExecutableFolder());
    state.ProgramDataDirectory = ChooseProgramDataDirectory(folders);
    state.DefaultConfigDirectory = ChooseDefaultConfigDirectory(folders);

    const bool versionChanged =
        ProvisionValuesIni(executableFolder, state.ProgramDataDirectory, state.Values);
    ProvisionDefaultImage(executableFolder, state.ProgramDataDirectory, versionChanged);

    state.Values.SetFileName(state.ProgramDataDirectory + kValuesFileName);
    state.ActiveConfigDirectory =
        ChooseActiveConfigDirectory(state.DefaultConfigDirectory, pathArguments, state.Values);

    LoadValueLists(state);
}

}  // namespace qzt
