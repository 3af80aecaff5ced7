// Bad input from every side the program reads: configuration files of every
// wrong size and kind, odd paths, damaged settings. Each must give a clear
// message from the string table, never crash or hang, and write nothing
// where nothing should be written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <set>
#include <sstream>

#include "FakeFolders.h"
#include "ImageBytes.h"
#include "ScriptedUserInterface.h"
#include "SimLink.h"
#include "TempDir.h"
#include "cli/Cli.h"
#include "config/DefaultImage.h"
#include "config/TimeSchedule.h"
#include "core/FormCodec.h"
#include "core/StartUp.h"
#include "core/VersionInfo.h"
#include "device/commands/DeviceCommands.h"

namespace qzt {
namespace {

namespace fs = std::filesystem;
using test::ImageBytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Every file below a folder with its content, to see that nothing changed.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e :
         fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied)) {
        if (e.is_symlink()) {
            files[e.path().string()] = "<link>";
        } else if (e.is_regular_file()) {
            files[e.path().string()] = ReadFile(e.path().string());
        } else {
            files[e.path().string()] = "<other>";
        }
    }
    return files;
}

struct Tool {
    Tool() {
        folders.executable = std::string(QZT_RUNTIME_DIR) + "/";
        folders.appData = dir / "data";
        folders.documents = dir / "docs";
        fs::create_directories(*folders.appData);
        fs::create_directories(*folders.documents);
        fs::create_directories(dir / "files");
        Run({"--version"});
        Run({"info", "/nonexistent"});  // provisions Values.ini once
    }
    int Run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        return RunCli(arguments, out, err, folders);
    }
    std::string Ini() const { return dir / "data/ORVI/QZT Programmer (EN)/Values.ini"; }

    TempDir dir;
    test::FakeFolders folders;
    std::ostringstream out, err;
};

TEST(HostileInput, ConfigurationFilesOfEveryWrongKind) {
    Tool t;
    const std::string files = t.dir / "files";
    fs::create_directories(files);

    struct Case {
        std::string name;
        std::string path;
        std::function<void(const std::string&)> make;
        int code;
        std::string message;
    };
    auto bytes = [](std::size_t size) {
        return [size](const std::string& p) { WriteFile(p, ImageBytes(size)); };
    };
    const std::string sizeMessage = "Incorrect file size!\n";
    std::vector<Case> cases = {
        {"0 bytes", files + "/0.qzt", bytes(0), kExitFailed, sizeMessage},
        {"1 byte", files + "/1.qzt", bytes(1), kExitFailed, sizeMessage},
        {"255 bytes", files + "/255.qzt", bytes(255), kExitFailed, sizeMessage},
        {"257 bytes", files + "/257.qzt", bytes(257), kExitFailed, sizeMessage},
        {"2047 bytes", files + "/2047.qzt", bytes(2047), kExitFailed, sizeMessage},
        {"2049 bytes", files + "/2049.qzt", bytes(2049), kExitFailed, sizeMessage},
        {"1 MiB", files + "/big.qzt", bytes(1 << 20), kExitFailed, sizeMessage},
        {"a folder", files + "/folder.qzt", [](const std::string& p) { fs::create_directories(p); },
         kExitFailed, "File '" + files + "/folder.qzt' not found.\n"},
        {"placeholders in the name", files + "/%s%d%n.qzt", bytes(256), kExitOk,
         "Configuration file '%s%d%n.qzt' opened\n"},
        {"missing, with placeholders", files + "/%s missing.qzt", [](const std::string&) {},
         kExitFailed, "File '" + files + "/%s missing.qzt' not found.\n"},
    };
#ifndef _WIN32
    // Links, pipes, line breaks in names and permission bits are POSIX's.
    cases.push_back({"a link loop", files + "/loop.qzt",
                     [](const std::string& p) { ::symlink(p.c_str(), p.c_str()); }, kExitFailed,
                     "File '" + files + "/loop.qzt' not found.\n"});
    cases.push_back({"a pipe", files + "/pipe.qzt",
                     [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }, kExitFailed,
                     sizeMessage});
    // Windows' paths end at MAX_PATH (260) characters.
    std::string longPath = files;
    for (int i = 0; i < 6; ++i) {
        longPath += "/" + std::string(45, static_cast<char>('a' + i));
    }
    fs::create_directories(longPath);
    longPath += "/unit.qzt";
    ASSERT_GE(longPath.size(), 300u);
    cases.push_back({"a path of 300 characters", longPath, bytes(256), kExitOk,
                     "Configuration file 'unit.qzt' opened\n"});
    cases.push_back({"a line break in the name", files + "/two\nlines.qzt", bytes(256), kExitOk,
                     "Configuration file 'two\nlines.qzt' opened\n"});
    if (::geteuid() != 0) {  // root reads whatever the permissions say
        cases.push_back({"unreadable", files + "/secret.qzt",
                         [](const std::string& p) {
                             WriteFile(p, ImageBytes());
                             ::chmod(p.c_str(), 0);
                         },
                         kExitFailed, sizeMessage});
    }
#endif
    for (const Case& c : cases) {
        c.make(c.path);
        const auto before = Snapshot(t.dir.Path());
        for (const char* command : {"info", "check"}) {
            EXPECT_EQ(t.Run({command, c.path}), c.code) << c.name << " " << command;
            EXPECT_EQ(t.err.str(), c.message) << c.name << " " << command;
        }
        // set refuses the same files and writes nothing anywhere.
        if (c.code != kExitOk) {
            EXPECT_EQ(t.Run({"set", c.path, "edtInPassageDelay=30"}), c.code) << c.name;
        }
        EXPECT_EQ(Snapshot(t.dir.Path()), before) << c.name;
    }
}

TEST(HostileInput, DamagedSettingsFile) {
    Tool t;
    const std::string version = "[Setup]\nAppVersion=" + FileVersionString() + "\n";
    const std::string file = WriteFile(t.dir / "files/unit.qzt", ImageBytes());

    struct Case {
        const char* name;
        std::string ini;
        int code;
        const char* message;  // a part of what standard error says
    };
    std::string junk;
    for (int i = 0; i < 4096; ++i) {
        junk += static_cast<char>((i * 7919) % 256);
    }
    const Case cases[] = {
        {"binary junk: no list holds the image's codes", version + junk, kExitInvalidData,
         "Error converting data!"},
        {"empty lists", version + "[AlarmType]\n0=<END>\n", kExitInvalidData,
         "The value in field 'Daylight saving time region' is outside its limits."},
        {"a 5000-character text",
         version + "[AlarmType]\n0=" + std::string(5000, 'x') +
             "\n1=a\n5=b\n6=c\n[DoorMatSensorType]\n0=m\n[DaylightSaving]\n0=n\n1=e\n",
         kExitOk, "opened"},
    };
    for (const Case& c : cases) {
        WriteFile(t.Ini(), c.ini);
        EXPECT_EQ(t.Run({"info", file}), c.code) << c.name;
        EXPECT_NE(t.err.str().find(c.message), std::string::npos) << c.name << t.err.str();
        EXPECT_EQ(ReadFile(t.Ini()), c.ini) << c.name;  // read, never rewritten
    }
}

TEST(HostileInput, DaylightSavingRulesThatAreNoRules) {
    TempDir dir;
    ProgramState state;
    test::ScriptedUserInterface ui;
    const std::string rules[] = {
        "5,1,3,2,0,5,1,10,3,0",  // ten numbers
        std::string(5000, '5'),  // far too long
        "5,1,3,2,0,5,1,10,3,0,60 followed by a comment too long to be a rule",
        "9,1,3,2,0,5,1,10,3,0,60",                    // week 9
        "5,1,13,2,0,5,1,10,3,0,60",                   // month 13
        "5,1,3,2,0,5,1,10,3,0,99999999999999999999",  // bias beyond an int
        std::string("5,1,3,\0,0,5,1,10,3,0,60", 23),  // a NUL inside
    };
    for (const std::string& rule : rules) {
        WriteFile(dir / "Values.ini",
                  "[DaylightSaving]\n0=None\n1=Odd\n1TZ=" + rule + "\n2=<END>\n");
        state.Values.SetFileName(dir / "Values.ini");
        LoadValueLists(state);
        ASSERT_EQ(state.List(DropDown::DaylightSavingTimeRegion).Count(), 2);
        const CodecContext context = CodecContextFor(state, ui);
        EXPECT_EQ(DaylightSavingSettingsText(1, context).value_or(""),
                  "No daylight saving time in selected region")
            << rule.substr(0, 60);
    }
}

}  // namespace
}  // namespace qzt

namespace qzt {
namespace {

// A box that misbehaves: the commands end with their message, nothing is
// taken over or written, and the link is closed.
TEST(HostileInput, BoxThatMisbehaves) {
    const std::string junk = "\x7F\x80 garbage \x02\x03\x15";
    const std::string flood(1000, '\x02');
    struct Case {
        const char* name;
        const char* faults;
        std::vector<std::string> replies;  // scripted answers, frame by frame
        const char* message;
    };
    const Case cases[] = {
        {"junk for every frame", "", std::vector<std::string>(64, junk),
         "No connection with QZT!\nPlease verify that QZT is turned on, and that the device "
         "cable is connected to QZT."},
        {"1000 bytes for a 36-byte reply",
         "",
         {"\x06", flood, flood, flood},
         "No connection with QZT!\nPlease verify that QZT is turned on, and that the device "
         "cable is connected to QZT."},
        {"stops answering in the middle of the image",
         "silent-reads@128",
         {},
         "Error reading from QZT!\nVerify that the KVD cable is connected to QZT."},
        {"junk before every reply",
         "stray-bytes,corrupt-reads",
         {},
         "No connection with QZT!\nPlease verify that QZT is turned on, and that the device "
         "cable is connected to QZT."},
    };
    for (const Case& c : cases) {
        test::SimLink sim(c.faults);
        const ConfigImage unitBefore = sim.FileMemory();
        sim.sim->ScriptReplies(c.replies);

        ProgramState state;
        test::ScriptedUserInterface ui;
        const ImageBuffer before = state.CurrentImage;
        const DeviceResult result = ReadFromDevice(state, sim.link, ui);
        EXPECT_NE(result, DeviceResult::Ok) << c.name;
        ASSERT_FALSE(ui.boxes.empty()) << c.name;
        EXPECT_EQ(ui.boxes.back().text, c.message) << c.name;
        EXPECT_EQ(state.ConfigState, ConfigMode::Default) << c.name;
        EXPECT_FALSE(sim.link.IsOpen()) << c.name;
        EXPECT_EQ(state.CurrentImage, before) << c.name;
        EXPECT_EQ(sim.FileMemory(), unitBefore) << c.name;
    }
}

}  // namespace
}  // namespace qzt
