#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "FakeFolders.h"
#include "TempDir.h"
#include "core/FileSystem.h"
#include "core/StartUp.h"
#include "core/VersionInfo.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr const char* kTemplateIni =
    "[Setup]\nConfigDirectory=\n[AlarmType]\n0=Standard\n1=<END>\n"
    "[DaylightSaving]\n0=None\n1=Europe\n2=<END>\n";
constexpr const char* kTemplateImage = "template image";

// A machine: the program's folder with its templates, and the user's data
// and documents folders.
class Machine {
  public:
    Machine() {
        folders.executable = dir / "program/";
        folders.appData = dir / "data";
        folders.documents = dir / "docs";
        std::filesystem::create_directories(*folders.appData);
        std::filesystem::create_directories(*folders.documents);
        WriteFile(folders.executable + "Values.i", kTemplateIni);
        WriteFile(folders.executable + "Default.b", kTemplateImage);
    }
    std::string DataFolder() const { return dir / "data/ORVI/QZT Programmer (EN)/"; }
    std::string Ini() const { return DataFolder() + "Values.ini"; }
    std::string Image() const { return DataFolder() + "Default.bin"; }

    ProgramState Start(const std::vector<std::string>& arguments = {}) {
        ProgramState state;
        RunStartUp(state, folders, PathArguments(arguments));
        return state;
    }

    TempDir dir;
    test::FakeFolders folders;
};

TEST(StartUp, FirstStartProvisionsEverything) {
    Machine m;
    ProgramState state = m.Start();
    EXPECT_EQ(state.ProgramDataDirectory, m.DataFolder());
    EXPECT_EQ(state.DefaultConfigDirectory, m.dir / "docs/ORVI/QZT config/");
    EXPECT_TRUE(DirectoryExists(m.dir / "docs/ORVI/QZT config"));
    EXPECT_EQ(state.ActiveConfigDirectory, m.dir / "docs/ORVI/QZT config");
    EXPECT_EQ(ReadFile(m.Image()), kTemplateImage);
    EXPECT_EQ(state.Values.FileName(), m.Ini());
    EXPECT_EQ(state.Values.ReadValue("Setup", "AppVersion"), FileVersionString());
    EXPECT_EQ(state.Values.ReadValue("AlarmType", "0"), "Standard");
    EXPECT_EQ(state.List(DropDown::InputOpenedAlarmType).Count(), 1);
    EXPECT_EQ(state.List(DropDown::DaylightSavingTimeRegion).Count(), 2);
    EXPECT_EQ(state.List(DropDown::DoorMatSensorType).Count(), 0);
}

TEST(StartUp, ProvisioningAcrossStartsAndVersions) {
    struct Case {
        const char* name;
        const char* recordedVersion;    // nullptr: the program's own
        const char* configDirectory;    // in the user's Values.ini
        const char* templateDirectory;  // in the template
        bool iniReplaced;
        const char* expectedDirectory;  // Setup/ConfigDirectory afterwards
    };
    const Case cases[] = {
        {"same version", nullptr, "/srv/sites", "", false, "/srv/sites"},
        {"version change keeps the user's folder", "0.9.0.0", "/srv/sites", "", true, "/srv/sites"},
        {"version change without a folder takes the template's", "0.9.0.0", "", "/tmpl/folder",
         true, "/tmpl/folder"},
        {"downgrade counts as a change", "9.9.9.9", "", "", true, ""},
    };
    for (const Case& c : cases) {
        Machine m;
        m.Start();
        WriteFile(m.folders.executable + "Values.i", std::string("[Setup]\nConfigDirectory=") +
                                                         c.templateDirectory +
                                                         "\n[AlarmType]\n0=New\n");
        const std::string version = c.recordedVersion ? c.recordedVersion : FileVersionString();
        WriteFile(m.Ini(), "[Setup]\nConfigDirectory=" + std::string(c.configDirectory) +
                               "\nAppVersion=" + version + "\n[AlarmType]\n0=Mine\n");
        WriteFile(m.Image(), "changed by the user");
        const std::string iniBefore = ReadFile(m.Ini());

        ProgramState state = m.Start();
        if (c.iniReplaced) {
            EXPECT_EQ(state.Values.ReadValue("AlarmType", "0"), "New") << c.name;
            EXPECT_EQ(state.Values.ReadValue("Setup", "AppVersion"), FileVersionString()) << c.name;
            EXPECT_EQ(ReadFile(m.Image()), kTemplateImage) << c.name;
        } else {
            EXPECT_EQ(ReadFile(m.Ini()), iniBefore) << c.name;
            EXPECT_EQ(ReadFile(m.Image()), "changed by the user") << c.name;
        }
        EXPECT_EQ(state.Values.ReadValue("Setup", "ConfigDirectory"), c.expectedDirectory)
            << c.name;
    }
}

// The box chosen in Communication > Connection is the user's, like the
// folder: a new template must not send the program back to `auto`.
TEST(StartUp, TheChosenDeviceSurvivesAVersionChange) {
    struct Case {
        const char* name;
        const char* recordedVersion;  // nullptr: the program's own
        const char* device;           // in the user's Values.ini
        const char* templateDevice;
        const char* expected;
    };
    const Case cases[] = {
        {"same version", nullptr, "tty:/dev/kvd", "", "tty:/dev/kvd"},
        {"version change keeps the user's box", "0.9.0.0", "tty:/dev/kvd", "usb", "tty:/dev/kvd"},
        {"version change without a choice takes the template's", "0.9.0.0", "", "usb", "usb"},
        {"version change with neither", "0.9.0.0", "", "", ""},
    };
    for (const Case& c : cases) {
        Machine m;
        m.Start();
        WriteFile(m.folders.executable + "Values.i",
                  std::string("[Setup]\nDevice=") + c.templateDevice + "\n[AlarmType]\n0=New\n");
        const std::string version = c.recordedVersion ? c.recordedVersion : FileVersionString();
        WriteFile(m.Ini(), "[Setup]\nConfigDirectory=/srv/sites\nDevice=" + std::string(c.device) +
                               "\nAppVersion=" + version + "\n[AlarmType]\n0=Mine\n");

        ProgramState state = m.Start();
        EXPECT_EQ(state.Values.ReadValue("Setup", "Device"), c.expected) << c.name;
        EXPECT_EQ(state.Values.ReadValue("Setup", "ConfigDirectory"), "/srv/sites") << c.name;
    }
}

TEST(StartUp, WithoutTemplatesNothingIsWritten) {
    Machine m;
    std::filesystem::remove(m.folders.executable + "Values.i");
    std::filesystem::remove(m.folders.executable + "Default.b");
    ProgramState state = m.Start();
    EXPECT_FALSE(FileExists(m.Ini()));
    EXPECT_FALSE(FileExists(m.Image()));
    EXPECT_EQ(state.Values.FileName(), m.Ini());
    EXPECT_EQ(state.List(DropDown::AllowUserAlarmType).Count(), 0);

    // A missing Default.bin is still provisioned without a Values.i template.
    WriteFile(m.folders.executable + "Default.b", kTemplateImage);
    m.Start();
    EXPECT_EQ(ReadFile(m.Image()), kTemplateImage);
    EXPECT_FALSE(FileExists(m.Ini()));
}

TEST(StartUp, WithoutPlatformFoldersTheProgramFolderServes) {
    Machine m;
    m.folders.appData.reset();
    m.folders.documents = m.dir / "no such documents";
    ProgramState state = m.Start();
    EXPECT_EQ(state.ProgramDataDirectory, m.folders.executable);
    EXPECT_EQ(state.DefaultConfigDirectory, m.folders.executable + "Config/");
    EXPECT_TRUE(DirectoryExists(m.folders.executable + "Config"));
    EXPECT_EQ(ReadFile(m.folders.executable + "Values.ini").find("[Setup]"), 0u);
    EXPECT_EQ(ReadFile(m.folders.executable + "Default.bin"), kTemplateImage);
}

TEST(StartUp, ActiveFolderPrecedence) {
    Machine m;
    const std::string folder = m.dir / "sites";
    std::filesystem::create_directories(folder);
    const std::string file = WriteFile(m.dir / "unit.qzt", "x");
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* stored;  // Setup/ConfigDirectory
        std::string expected;
    };
    const Case cases[] = {
        {"nothing set", {}, "", m.dir / "docs/ORVI/QZT config"},
        {"stored folder without trailing separator", {}, "/srv/sites/", "/srv/sites"},
        {"argument wins, as written", {folder + "/"}, "/srv/sites", folder + "/"},
        {"file and missing path are skipped", {file, m.dir / "missing", folder}, "/srv", folder},
        {"options are not folders", {"--device=sim:" + folder, "--version"}, "/srv", "/srv"},
    };
    for (const Case& c : cases) {
        m.Start();
        ValuesIni values;
        values.SetFileName(m.Ini());
        values.WriteValue("Setup", "ConfigDirectory", c.stored);
        ProgramState state = m.Start(c.arguments);
        EXPECT_EQ(state.ActiveConfigDirectory, c.expected) << c.name;
        // A folder on the command line is for this run only.
        EXPECT_EQ(state.Values.ReadValue("Setup", "ConfigDirectory"), c.stored) << c.name;
    }
}

TEST(StartUp, CommandLineFileIsTheFirstExistingFile) {
    TempDir dir;
    const std::string first = WriteFile(dir / "a.qzt", "a");
    const std::string second = WriteFile(dir / "b.qzt", "b");
    EXPECT_EQ(CommandLineFile({dir / "missing.qzt", dir.Path(), first, second}), first);
    EXPECT_EQ(CommandLineFile({dir.Path()}), std::nullopt);
    EXPECT_EQ(PathArguments({"--device=usb", "a", "--", "--odd name"}),
              (std::vector<std::string>{"a", "--odd name"}));
}

TEST(StartUp, RefusedWriteEndsTheSequence) {
    Machine m;
    m.Start();
    WriteFile(m.Ini(), "[Setup]\nAppVersion=0.1.0.0\n");
    ::chmod(m.Ini().c_str(), 0444);
    ::chmod(m.DataFolder().c_str(), 0555);
    ProgramState state;
    try {
        RunStartUp(state, m.folders, {});
        ADD_FAILURE() << "no error";
    } catch (const ValuesIniWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + m.Ini());
    }
    // Nothing after the refused write ran: no folder choice, no lists.
    EXPECT_EQ(state.ActiveConfigDirectory, "");
    EXPECT_EQ(state.List(DropDown::AllowUserAlarmType).Count(), 0);
}

}  // namespace
}  // namespace qzt
