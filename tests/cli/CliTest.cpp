#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliTool.h"
#include "FakeFolders.h"
#include "ImageBytes.h"
#include "TempDir.h"
#include "cli/Cli.h"
#include "config/DefaultImage.h"
#include "core/FileSystem.h"
#include "core/StartUp.h"
#include "core/ValuesIni.h"
#include "device/DeviceDiscovery.h"
#include "device/sim/SimUnitFile.h"
#include "text/Text.h"

namespace qzt {
namespace {

using test::ImageBytes;
using test::OnUnit;
using test::ReadFile;
using test::TempDir;
using test::Tool;
using test::UnitBytes;
using test::WriteFile;

TEST(Cli, UsageErrors) {
    Tool t;
    const std::string file = t.File("a.qzt", ImageBytes());
    const std::vector<std::vector<std::string>> calls = {
        {},
        {"frobnicate"},
        {"info"},
        {"info", file, file},
        {"info", file, "--colour"},
        {"diff", file},
        {"set", file},
        {"set", file, "edtInPassageDelay"},
        {"set", file, "edtNoSuchField=1"},
        {"set", file, "edtSerialNumber=123"},
        {"set", file, "cbEnableTimeSchedule=yes"},
        {"set", file, "cbbxDaylightSavingTimeRegion=Atlantis"},
        {"set", file, "cbbxDaylightSavingTimeRegion=#99"},
        {"set", file, "-o"},
    };
    for (const auto& call : calls) {
        EXPECT_EQ(t.Run(call), kExitUsage) << ::testing::PrintToString(call);
        EXPECT_NE(t.err.str().find("Usage: qzt"), std::string::npos);
    }
    EXPECT_EQ(ReadFile(file), ImageBytes());  // nothing written by a usage error
}

TEST(Cli, VersionAndHelp) {
    Tool t;
    EXPECT_EQ(t.Run({"--version"}), kExitOk);
    const std::string version = t.out.str();
    EXPECT_EQ(version.find_first_not_of("0123456789."), version.size() - 1);
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 3);
}

// A missing value, an option the command does not take, and "--" before a
// word that looks like an option: each a usage error named in the tool's
// own words.
TEST(Cli, UsageErrorsSayWhatIsWrong) {
    Tool t;
    const std::string file = t.File("a.qzt", ImageBytes());
    const struct {
        std::vector<std::string> call;
        const char* message;
    } cases[] = {
        {{"set", file, "edtInPassageDelay=30", "-o"}, "The option '-o' needs a value."},
        {{"set", file, "edtInPassageDelay=30", "--output"}, "The option '--output' needs a value."},
        {{"read", "--device"}, "The option '--device' needs a value."},
        {{"radio-codes", "--set"}, "The option '--set' needs a value."},
        {{"radio-codes", "--set=", "--device=usb"}, "The option '--set' needs a value."},
        {{"check", file, "--json"}, "Unknown option '--json'."},
        {{"write", file, "-o", file}, "Unknown option '-o'."},
        {{"info", "--device=usb", file}, "Unknown option '--device=usb'."},
        {{"--", "--version"}, "Unknown command '--version'."},
        {{"info", file, "--", "--version"}, "Wrong number of arguments for 'info'."},
        {{"diff", "--", file}, "Wrong number of arguments for 'diff'."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.Run(c.call), kExitUsage) << ::testing::PrintToString(c.call);
        EXPECT_EQ(t.err.str().substr(0, t.err.str().find('\n')), c.message) << t.err.str();
        EXPECT_EQ(t.out.str(), "");
    }
    // After "--" a word is an operand even when it looks like an option.
    const std::string dashed = t.File("--version", ImageBytes());
    EXPECT_EQ(t.Run({"info", "--", dashed}), kExitOk) << t.err.str();
    EXPECT_EQ(ReadFile(file), ImageBytes());
}

TEST(Cli, EveryCommandHasHelp) {
    Tool t;
    const struct {
        std::vector<std::string> call;
        const char* usage;
        bool deviceOptions;
    } cases[] = {
        {{"--help"}, "Usage: qzt COMMAND", false},
        {{"info", "--help"}, "Usage: qzt info FILE [--json]", false},
        {{"check", "-h"}, "Usage: qzt check FILE", false},
        {{"diff", "--help"}, "Usage: qzt diff FILE_A FILE_B", false},
        {{"set", "x.qzt", "--help"}, "Usage: qzt set FILE KEY=VALUE... [-o OUT]", false},
        {{"read", "--help"}, "Usage: qzt read -o FILE", true},
        {{"write", "--help"}, "Usage: qzt write FILE", true},
        {{"radio-codes", "--help"}, "Usage: qzt radio-codes [--set=", true},
        {{"kvd-info", "--help"}, "Usage: qzt kvd-info", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.Run(c.call), kExitOk) << ::testing::PrintToString(c.call);
        EXPECT_EQ(t.out.str().rfind(c.usage, 0), 0u) << t.out.str();
        EXPECT_EQ(t.out.str().find("lost-acks, silent-reads,") != std::string::npos,
                  c.deviceOptions)
            << t.out.str();
        EXPECT_EQ(t.err.str(), "");
    }
    // check reports the last field found invalid, as the window does.
    EXPECT_EQ(t.Run({"--help"}), kExitOk);
    EXPECT_EQ(t.out.str().find("first problem"), std::string::npos);
}

TEST(Cli, InfoPrintsEveryFieldAndTheDecodeError) {
    Tool t;
    const std::string file = t.File("bad.qzt", ImageBytes(2048, {{49, 6}, {65, 241}}));
    EXPECT_EQ(t.Run({"info", file, "--json"}), kExitInvalidData);
    const std::string json = t.out.str();
    EXPECT_NE(json.find("\"edtInPassageDelay\": \"6\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"cbDoorOpenedSendAlarm\": true"), std::string::npos);
    EXPECT_NE(json.find("\"cbbxDaylightSavingTimeRegion\": {\"index\": 1, \"code\": 1, \"text\": "
                        "\"Central Europe (CET/CEST)\"}"),
              std::string::npos);
    EXPECT_NE(json.find("\"decodeError\": {\"index\": 65, \"field\": \"Battery alarm period (h, "
                        "0=OFF)\", \"value\": 241}"),
              std::string::npos);

    EXPECT_EQ(t.Run({"info", t.File("good.qzt", ImageBytes())}), kExitOk);
    EXPECT_EQ(t.out.str().substr(0, 30), "cbAllowUserSendAlarm: false\ned");
    EXPECT_NE(t.out.str().find("\nedtInPassageDelay: 10\n"), std::string::npos);
    EXPECT_EQ(t.Run({"info", t.File("good.qzt", ImageBytes()), "--json"}), kExitOk);
    EXPECT_NE(t.out.str().find("\"decodeError\": null}"), std::string::npos);
}

TEST(Cli, RefusedFilesAndTheirCodes) {
    Tool t;
    const struct {
        const char* name;
        std::string bytes;
        int code;
        const char* message;
    } cases[] = {
        {"short.qzt", ImageBytes(300), kExitFailed, "Incorrect file size!"},
        {"other.qzt", ImageBytes(256, {{248, 0x47}}), kExitWrongProduct, "Invalid product type!"},
    };
    for (const auto& c : cases) {
        const std::string file = t.File(c.name, c.bytes);
        for (const char* command : {"info", "check"}) {
            EXPECT_EQ(t.Run({command, file}), c.code) << c.name << " " << command;
            EXPECT_NE(t.err.str().find(c.message), std::string::npos) << t.err.str();
        }
    }
    EXPECT_EQ(t.Run({"info", t.dir / "missing.qzt"}), kExitFailed);
}

TEST(Cli, SetRefusesOrSavesAsTheWindowWould) {
    Tool t;
    const std::string file = t.File("unit.qzt", ImageBytes(2048));
    EXPECT_EQ(t.Run({"set", file, "edtInPassageDelay=6"}), kExitInvalidData);
    EXPECT_NE(t.err.str().find("The field 'On pad delay (s)' contains '6'."), std::string::npos);
    EXPECT_EQ(ReadFile(file), ImageBytes(2048));

    EXPECT_EQ(t.Run({"set", file, "edtInPassageDelay=30", "cbEnableTimeSchedule=1",
                     "cbbxAllowUserAlarmType=Bed exit alarm", "cbbxDoorOpenedAlarmType=#3"}),
              kExitOk)
        << t.err.str();
    const std::string saved = ReadFile(file);
    ASSERT_EQ(saved.size(), 2048u);  // a 2048-byte file stays 2048 bytes
    EXPECT_EQ(saved[49], 30);
    EXPECT_EQ(saved[91], 1);
    EXPECT_EQ(saved[33], 1);
    EXPECT_EQ(saved[35], 3);

    const std::string out = t.dir / "copy.qzt";
    EXPECT_EQ(t.Run({"set", file, "edtInPassageDelay=31", "-o", out}), kExitOk);
    EXPECT_EQ(ReadFile(out).size(), 256u);
    EXPECT_EQ(ReadFile(out)[49], 31);
    EXPECT_EQ(ReadFile(file)[49], 30);
}

TEST(Cli, CheckAndDiff) {
    Tool t;
    const std::string a = t.File("a.qzt", ImageBytes());
    const std::string b = t.File("b.qzt", ImageBytes(256, {{48, 20}, {200, 0x11}}));
    const std::string schedule = t.File("s.qzt", ImageBytes(256, {{92, 24}}));

    EXPECT_EQ(t.Run({"check", a}), kExitOk);
    EXPECT_EQ(t.Run({"check", schedule}), kExitInvalidData);
    EXPECT_NE(t.err.str().find("Time must be 00:00 to 23:59"), std::string::npos);

    EXPECT_EQ(t.Run({"diff", a, a}), kExitOk);
    EXPECT_EQ(t.out.str(), "");
    EXPECT_EQ(t.Run({"diff", a, b}), kExitFailed);
    EXPECT_EQ(t.out.str(), "edtOutPassageDelay: 10 -> 20\nbyte 200: 0x00 -> 0x11\n");
}

// Each differing byte is listed once: as the field that shows it differently,
// else as a byte. A file that fails to decode makes the exit code 3 once the
// comparison is printed.
TEST(Cli, DiffListsEachDifferenceOnce) {
    using Changes = std::initializer_list<std::pair<int, std::uint8_t>>;
    const struct {
        const char* name;
        Changes a, b;
        const char* out;
        int code;
    } cases[] = {
        {"codes in no value list",
         {{33, 98}},
         {{33, 99}},
         "byte 33: 0x62 -> 0x63\n",
         kExitInvalidData},
        {"flag 0 and 2, both unticked",
         {{17, 0}},
         {{17, 2}},
         "byte 17: 0x00 -> 0x02\n",
         kExitFailed},
        {"production date",
         {},
         {{240, 0x20}, {241, 0x23}, {242, 0x09}, {243, 0x14}},
         "edtProductionDate: --- -> 09/14/23\n",
         kExitFailed},
        {"radio calibration and serial number",
         {},
         {{247, 90}, {255, 7}},
         "edtSerialNumber: 0 -> 7\nedtRadioCalibration: 0 -> 90\n",
         kExitFailed},
        {"program version, and a byte no field shows",
         {},
         {{250, 0x1A}, {252, 1}},
         "edtProgramVersion: 00.00-00 -> 00.1A-00\nbyte 252: 0x00 -> 0x01\n",
         kExitFailed},
        {"out of its limits in one file",
         {},
         {{65, 241}},
         "edtBatteryAlarmPeriod: 24 -> 241\n",
         kExitInvalidData},
        {"out of its limits in both, equal", {{65, 241}}, {{65, 241}}, "", kExitInvalidData},
    };
    for (const auto& c : cases) {
        Tool t;
        const std::string a = t.File("a.qzt", ImageBytes(256, c.a));
        const std::string b = t.File("b.qzt", ImageBytes(256, c.b));
        EXPECT_EQ(t.Run({"diff", a, b}), c.code) << c.name << "\n" << t.err.str();
        EXPECT_EQ(t.out.str(), c.out) << c.name;
    }
}

TEST(Cli, DeviceCommandsAndTheirExitCodes) {
    const std::string fresh = UnitBytes();
    const std::string corrupt = UnitBytes({{224, 0}}, false);
    const std::string outOfLimits = UnitBytes({{49, 250}});
    const struct {
        const char* call;  // split at blanks; OUT, FILE, BAD and OTHER are the test's files
        const char* faults;
        const std::string& unit;
        int code;
        const char* message;  // a line the tool prints on standard error
        bool saved;           // OUT holds the unit's memory afterwards
    } cases[] = {
        // clang-format off
        {"read -o OUT", "", fresh, kExitOk, "Read complete", true},
        {"read -o OUT", "no-box", fresh, kExitNoConnection, "Could not find KVD!", false},
        {"read -o OUT", "no-unit", fresh, kExitNoConnection, "No connection with QZT!", false},
        {"read -o OUT", "silent-reads@0", fresh, kExitDeviceFailed, "Error reading from QZT!", false},
        {"read -o OUT", "wrong-product", fresh, kExitWrongProduct, "Invalid product type!", false},
        {"read -o OUT", "", corrupt, kExitCorrupt, "The QZT configuration is corrupt!", true},
        {"read -o OUT", "", outOfLimits, kExitInvalidData, "Error converting data!", true},
        {"read", "", fresh, kExitUsage, "Wrong number of arguments for 'read'.", false},
        {"read -o OUT --device=floppy", "", fresh, kExitUsage, "Unknown device", false},
        {"write FILE", "", fresh, kExitOk, "Configuration in QZT was updated.", false},
        {"write FILE", "nak-writes", fresh, kExitDeviceFailed, "Error writing to QZT!", false},
        {"write FILE", "silent-writes", fresh, kExitDeviceFailed, "Verify error!", false},
        {"write BAD", "", fresh, kExitInvalidData, "Incorrect parameter value!", false},
        {"write OTHER", "", fresh, kExitWrongProduct, "Invalid product type!", false},
        {"radio-codes", "no-box", fresh, kExitNoConnection, "Error reading from QZT!", false},
        {"radio-codes --set=1234,ABCD,beef,0001,0F0F,ffff", "", fresh, kExitOk,
         "Entered value cannot be '0000' or 'FFFF'.", false},
        {"radio-codes --set=1234,ABCD,beef,0001,0F0F", "", fresh, kExitUsage,
         "Expected six radio codes", false},
        {"radio-codes --set=1234,ABCD,beef,0001,0F0F,GHIJ", "", fresh, kExitUsage,
         "Expected six radio codes", false},
        // The reason behind a missing box on the line after the message.
        {"kvd-info", "no-box", fresh, kExitNoConnection,
         "connected to KVD\nNo KVD box is connected to this computer", false},
        {"read -o OUT", "no-box", fresh, kExitNoConnection,
         "connected to KVD\nNo KVD box is connected to this computer", false},
        // clang-format on
    };
    for (const auto& c : cases) {
        Tool t;
        WriteFile(t.dir / "unit.bin", c.unit);
        const std::string out = t.dir / "out.qzt";
        std::vector<std::string> call;
        std::istringstream words(c.call);
        for (std::string word; words >> word;) {
            call.push_back(word);
        }
        for (std::string& a : call) {
            if (a == "OUT") {
                a = out;
            } else if (a == "FILE") {
                a = t.File("site.qzt", ImageBytes());
            } else if (a == "BAD") {
                a = t.File("bad.qzt", ImageBytes(256, {{49, 6}}));
            } else if (a == "OTHER") {
                a = t.File("other.qzt", ImageBytes(256, {{248, 0x47}}));
            }
        }
        const std::string trace = ::testing::PrintToString(call) + " " + c.faults;
        EXPECT_EQ(t.Run(OnUnit(t, call, c.faults)), c.code) << trace << "\n" << t.err.str();
        EXPECT_NE(t.err.str().find(c.message), std::string::npos) << trace << "\n" << t.err.str();
        EXPECT_EQ(ReadFile(out), c.saved ? c.unit : "<missing>") << trace;
    }
}

// qzt devices: one line a device with its --device= value, where it is and
// whether it can be used; --json the same as one array; exit 4 when nothing
// usable is found (the machine's own USB boxes count, so that case is
// checked only where there are none).
TEST(Cli, DevicesListsWhatCanBeUsed) {
    Tool t;
    const std::string unit = t.dir / "unit.bin";
    EXPECT_EQ(t.Run({"devices", "--device=sim:" + unit}), kExitOk) << t.err.str();
    EXPECT_NE(t.out.str().find("  sim:" + unit + "\t" + unit + "\tsimulated KVD box\t\tusable\n"),
              std::string::npos)
        << t.out.str();

    EXPECT_EQ(t.Run({"devices", "--json", "--device=sim:" + unit}), kExitOk);
    const auto list = nlohmann::json::parse(t.out.str());
    ASSERT_TRUE(list.is_array());
    EXPECT_EQ(list.back()["device"], "sim:" + unit);
    EXPECT_EQ(list.back()["usable"], true);

    const std::string unreadable = t.dir / "missing/folder/unit.bin";
    const int code = t.Run({"devices", "--device=sim:" + unreadable});
    EXPECT_NE(t.out.str().find(TextF(txt::ReasonSimUnavailable, unreadable)), std::string::npos);
    if (FindDevices(DeviceOptions{}).empty()) {
        EXPECT_EQ(code, kExitNoConnection);
        EXPECT_EQ(t.err.str(), Text(txt::DevicesNoneFound) + "\n");
    }
}

// The box chosen in the window's Communication > Connection serves qzt too;
// --device= still wins for one call.
TEST(Cli, TheStoredDeviceServesTheTool) {
    Tool t;
    EXPECT_EQ(t.Run({"kvd-info", "--device=sim:" + (t.dir / "other.bin")}), kExitOk);
    std::string values;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(t.dir.Path())) {
        if (entry.path().filename() == "Values.ini") {
            values = Utf8FromPath(entry.path());
        }
    }
    ASSERT_FALSE(values.empty());
    ValuesIni ini;
    ini.SetFileName(values);
    ini.WriteValue(kSetupSection, kDeviceKey, "sim:" + (t.dir / "stored.bin"));
    EXPECT_EQ(t.Run({"kvd-info"}), kExitOk) << t.err.str();
    EXPECT_TRUE(std::filesystem::exists(t.dir / "stored.bin"));
    EXPECT_EQ(t.Run({"kvd-info", "--device=sim:/nonexistent/x.bin"}), kExitNoConnection);
}

TEST(Cli, RadioCodesPrintedAndChanged) {
    Tool t;
    EXPECT_EQ(t.Run(OnUnit(t, {"radio-codes"})), kExitOk) << t.err.str();
    EXPECT_EQ(t.out.str(),
              "Allow user out of pad (bed/chair): 3A41\nPad connection (on): 3A42\n"
              "Pad connection (off): 3A43\nOn pad (bed/chair): 3A44\n"
              "Out of pad (bed/chair): 3A45\nTechnical alarms: 3A4F\n");
    EXPECT_EQ(t.err.str(), "");

    EXPECT_EQ(t.Run(OnUnit(t, {"radio-codes", "--set=1234,ABCD,beef,0001,0F0F,C0DE"})), kExitOk);
    EXPECT_EQ(t.out.str(), "");
    const std::string memory = ReadFile(t.dir / "unit.bin");
    EXPECT_EQ(memory.substr(2, 12),
              std::string("\x12\x34\xAB\xCD\xBE\xEF\x00\x01\x0F\x0F\xC0\xDE", 12));

    EXPECT_EQ(t.Run(OnUnit(t, {"kvd-info"})), kExitOk);
    EXPECT_EQ(t.out.str(), "KVD-USB 1.4\n");
}

// The dialog warns of a reserved code as it is typed; the console has no
// dialog before the unit is read, so the warning comes only when the codes
// are about to be written.
TEST(Cli, ReservedRadioCodeWarnedOnlyBeforeTheWrite) {
    const struct {
        const char* faults;
        int code;
        bool warned;
    } cases[] = {
        {"", kExitOk, true},
        {"no-box", kExitNoConnection, false},
        {"no-unit", kExitNoConnection, false},
        {"wrong-product", kExitWrongProduct, false},
    };
    for (const auto& c : cases) {
        Tool t;
        EXPECT_EQ(
            t.Run(OnUnit(t, {"radio-codes", "--set=0000,ABCD,beef,0001,0F0F,C0DE"}, c.faults)),
            c.code)
            << c.faults << "\n"
            << t.err.str();
        EXPECT_EQ(
            t.err.str().find("Entered value cannot be '0000' or 'FFFF'.") != std::string::npos,
            c.warned)
            << c.faults << "\n"
            << t.err.str();
    }
}

// History.csv says what was done to the unit: printing its radio codes is a
// read.
TEST(Cli, HistoryRecordsWhatWasDone) {
    const struct {
        std::vector<std::string> call;
        const char* line;  // the end of History.csv
    } cases[] = {
        {{"radio-codes"}, ",Change Radio Codes in device,123456,Read complete\n"},
        {{"radio-codes", "--set=1234,ABCD,beef,0001,0F0F,C0DE"},
         ",Change Radio Codes in device,123456,Write and Verify complete\n"},
        {{"kvd-info"}, ""},
    };
    for (const auto& c : cases) {
        Tool t;
        EXPECT_EQ(t.Run(OnUnit(t, c.call)), kExitOk) << t.err.str();
        const std::string history = test::HistoryText(t);
        EXPECT_TRUE(history.ends_with(c.line)) << ::testing::PrintToString(c.call) << "\n"
                                               << history;
        EXPECT_EQ(history.empty(), *c.line == '\0') << history;
    }
}

TEST(Cli, ProgressLineOnlyOnATerminal) {
    for (bool terminal : {false, true}) {
        Tool t;
        t.out.str("");
        t.err.str("");
        const std::vector<std::string> call = OnUnit(t, {"read", "-o", t.dir / "out.qzt"});
        EXPECT_EQ(RunCli(call, t.out, t.err, t.folders, terminal), kExitOk);
        const std::string err = t.err.str();
        EXPECT_EQ(err.find("\rRead from QZT... 17/17") != std::string::npos, terminal) << err;
        // The line is wiped before the result is printed.
        EXPECT_EQ(err.find("17/17\x1b[K\r\x1b[KRead complete\n") != std::string::npos, terminal)
            << err;
        EXPECT_NE(err.find("Read complete\n"), std::string::npos);
    }
}

}  // namespace
}  // namespace qzt
