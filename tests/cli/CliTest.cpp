#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "FakeFolders.h"
#include "ImageBytes.h"
#include "TempDir.h"
#include "cli/Cli.h"
#include "config/DefaultImage.h"

namespace qzt {
namespace {

using test::ImageBytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The tool run in-process on temporary folders with the shipped templates.
struct Tool {
    Tool() {
        folders.executable = std::string(QZT_RUNTIME_DIR) + "/";
        folders.appData = dir / "data";
        folders.documents = dir / "docs";
        std::filesystem::create_directories(*folders.appData);
        std::filesystem::create_directories(*folders.documents);
    }
    int Run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        return RunCli(arguments, out, err, folders);
    }
    std::string File(const std::string& name, const std::string& bytes) {
        return WriteFile(dir / name, bytes);
    }

    TempDir dir;
    test::FakeFolders folders;
    std::ostringstream out, err;
};

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

}  // namespace
}  // namespace qzt
