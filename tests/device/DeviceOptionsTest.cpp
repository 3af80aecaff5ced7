#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimLink.h"
#include "device/BackendPlugin.h"
#include "device/Backends.h"
#include "device/DeviceChoice.h"
#include "device/DeviceDiscovery.h"
#include "device/sim/SimSettings.h"
#include "text/Text.h"

namespace qzt {
namespace {

using namespace std::chrono_literals;

TEST(DeviceOptions, ChoosesTheDevice) {
    struct Case {
        std::vector<std::string> arguments;
        const char* environment;
        DeviceKind kind;
        std::string path;
    };
    const std::vector<Case> cases = {
        {{}, nullptr, DeviceKind::Auto, ""},
        {{}, "", DeviceKind::Auto, ""},
        {{}, "usb", DeviceKind::Usb, ""},
        {{"--device=usb:FT4KVD01"}, nullptr, DeviceKind::Usb, "FT4KVD01"},
        {{}, "sim:/tmp/unit.bin", DeviceKind::Added, "/tmp/unit.bin"},
        {{"--device=tty"}, "usb", DeviceKind::Tty, ""},
        {{"--device=tty:/dev/ttyUSB3"}, nullptr, DeviceKind::Tty, "/dev/ttyUSB3"},
        {{"--device=/dev/ttyUSB9"}, nullptr, DeviceKind::Tty, "/dev/ttyUSB9"},
        {{"--device=sim:unit.bin", "--device=auto"}, nullptr, DeviceKind::Auto, ""},
        {{"config.Qzt", "--device=sim:a:b.bin", "folder"}, nullptr, DeviceKind::Added, "a:b.bin"},
        // After "--" everything is a path.
        {{"--", "--device=usb"}, nullptr, DeviceKind::Auto, ""},
    };
    for (const Case& c : cases) {
        const Result<DeviceOptions> options = ParseDeviceOptions(c.arguments, c.environment);
        ASSERT_TRUE(options) << options.error().message;
        EXPECT_EQ(options->kind, c.kind);
        EXPECT_EQ(options->path, c.path);
        EXPECT_EQ(options->backend, c.kind == DeviceKind::Added ? "sim" : "");
    }
}

TEST(DeviceOptions, SimulatorSettings) {
    const Result<DeviceOptions> options = ParseDeviceOptions(
        {"--device=sim:u.bin",
         "--sim-faults=nak-writes:2,silent-reads@0xF0,wrong-product,late-replies@64:1=260,unplug=3",
         "--sim-latency=3", "--sim-timing=zero"},
        nullptr);
    ASSERT_TRUE(options) << options.error().message;
    const Result<SimSettings> sim = ParseSimSettings(*options);
    ASSERT_TRUE(sim);
    const std::vector<SimFault> faults = {
        {SimFaultKind::NakWrites, std::nullopt, 2u, std::nullopt},
        {SimFaultKind::SilentReads, 0xF0u, std::nullopt, std::nullopt},
        {SimFaultKind::WrongProduct, std::nullopt, std::nullopt, std::nullopt},
        {SimFaultKind::LateReplies, 64u, 1u, 260u},
        {SimFaultKind::Unplug, std::nullopt, std::nullopt, 3u},
    };
    EXPECT_EQ(sim->path, "u.bin");
    EXPECT_EQ(sim->faults, faults);
    EXPECT_EQ(sim->latency, 3ms);
    EXPECT_TRUE(sim->zeroTime);
    EXPECT_TRUE(sim->Has(SimFaultKind::WrongProduct));
    EXPECT_FALSE(sim->Has(SimFaultKind::NoBox));
}

TEST(DeviceOptions, ReportsValuesItDoesNotKnow) {
    struct Case {
        std::vector<std::string> arguments;
        const char* environment;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"--device=serial"}, nullptr, TextF(txt::UnknownDevice, "serial")},
        {{"--device=sim:"}, nullptr, TextF(txt::UnknownDevice, "sim:")},
        {{}, "ttyUSB0", TextF(txt::UnknownDevice, "ttyUSB0")},
        {{"--sim-faults=no-box,slow-reads"}, nullptr, TextF(txt::UnknownSimFault, "slow-reads")},
        {{"--sim-faults=no-box@3"}, nullptr, TextF(txt::UnknownSimFault, "no-box@3")},
        {{"--sim-faults=wrong-product:1"}, nullptr, TextF(txt::UnknownSimFault, "wrong-product:1")},
        {{"--sim-faults=nak-writes@256"}, nullptr, TextF(txt::UnknownSimFault, "nak-writes@256")},
        {{"--sim-faults=nak-writes:x"}, nullptr, TextF(txt::UnknownSimFault, "nak-writes:x")},
        {{"--sim-faults=nak-writes:"}, nullptr, TextF(txt::UnknownSimFault, "nak-writes:")},
        {{"--sim-faults=nak-writes=5"}, nullptr, TextF(txt::UnknownSimFault, "nak-writes=5")},
        {{"--sim-faults=late-replies="}, nullptr, TextF(txt::UnknownSimFault, "late-replies=")},
        {{"--sim-faults=unplug=0"}, nullptr, TextF(txt::UnknownSimFault, "unplug=0")},
        {{"--sim-faults=unplug:2"}, nullptr, TextF(txt::UnknownSimFault, "unplug:2")},
        {{"--sim-faults=slow-box@4"}, nullptr, TextF(txt::UnknownSimFault, "slow-box@4")},
        {{"--sim-latency=fast"}, nullptr, TextF(txt::InvalidSimSetting, "--sim-latency=fast")},
        {{"--sim-latency=1001"}, nullptr, TextF(txt::InvalidSimSetting, "--sim-latency=1001")},
        {{"--sim-timing=slow"}, nullptr, TextF(txt::InvalidSimSetting, "--sim-timing=slow")},
    };
    for (const Case& c : cases) {
        const Result<DeviceOptions> options = ParseDeviceOptions(c.arguments, c.environment);
        ASSERT_FALSE(options);
        EXPECT_EQ(options.error().message, c.error);
    }
    // A link built from options it did not understand finds no box.
    test::TempDir dir;
    const Result<DeviceOptions> options =
        ParseDeviceOptions({"--device=sim:" + (dir / "unit.bin"), "--sim-faults=bogus"}, nullptr);
    TUsbInterface link(MakeBackend(options));
    EXPECT_EQ(link.Open(), LinkNotFound);
    EXPECT_EQ(test::ReadFile(dir / "unit.bin"), "<missing>");
}

TEST(DeviceOptions, BuildsTheNamedBackend) {
    test::TempDir dir;
    const Result<DeviceOptions> options =
        ParseDeviceOptions({"--device=sim:" + (dir / "unit.bin"), "--sim-timing=zero"}, nullptr);
    TUsbInterface link(MakeBackend(options));
    ASSERT_EQ(link.Open(), LinkOk);
    EXPECT_EQ(link.CheckConnection(), LinkOk);
    link.Close();
    EXPECT_NE(test::ReadFile(dir / "unit.bin"), "<missing>");
}

// The device library reaches a backend a program added only through its
// plugin: the plugin judges its own options whatever the device, builds the
// box and says what the device list shows.
TEST(DeviceOptions, AddedBackendsAreReachedThroughTheirPlugin) {
    BackendPlugin fake;
    fake.name = "fake";
    fake.optionPrefix = "--fake-";
    fake.optionNames = {"--fake-mood"};
    fake.check = [](const DeviceOptions& options) -> Result<void> {
        for (const std::string& option : options.backendOptions) {
            if (option == "--fake-mood=bad") {
                return Error::Of(txt::InvalidSimSetting, option);
            }
        }
        return {};
    };
    fake.make = [](const DeviceOptions& options) -> std::shared_ptr<FtLibrary> {
        return std::make_shared<NoBoxLibrary>("fake box at " + options.path);
    };
    fake.list = [](const DeviceOptions& options) -> std::optional<FoundDevice> {
        return FoundDevice{"fake:" + options.path, options.path, "a fake box", "", "", false};
    };
    RegisterBackend(fake);

    struct Case {
        std::vector<std::string> arguments;
        std::string refusal;  // empty: accepted
        std::string reason;   // why the link finds no box
    };
    const std::vector<Case> cases = {
        {{"--device=fake:here", "--fake-mood=good"}, "", "fake box at here"},
        {{"--device=fake:here", "--fake-mood=bad"},
         TextF(txt::InvalidSimSetting, "--fake-mood=bad"),
         TextF(txt::InvalidSimSetting, "--fake-mood=bad")},
        // Its options are its own to judge even when another device is chosen.
        {{"--device=usb", "--fake-mood=bad"},
         TextF(txt::InvalidSimSetting, "--fake-mood=bad"),
         TextF(txt::InvalidSimSetting, "--fake-mood=bad")},
        {{"--device=fake:"},
         TextF(txt::UnknownDevice, "fake:"),
         TextF(txt::UnknownDevice, "fake:")},
        {{"--device=other:here"},
         TextF(txt::UnknownDevice, "other:here"),
         TextF(txt::UnknownDevice, "other:here")},
    };
    for (const Case& c : cases) {
        const Result<DeviceOptions> options = ParseDeviceOptions(c.arguments, nullptr);
        EXPECT_EQ(options ? std::string() : options.error().message, c.refusal);
        TUsbInterface link(MakeBackend(options));
        EXPECT_EQ(link.Open(), LinkNotFound);
        EXPECT_EQ(link.NotFoundReason(), c.reason);
        if (options) {
            EXPECT_EQ(DeviceValue(*options), "fake:here");
            EXPECT_EQ(FindDevices(*options).back().description, "a fake box");
        }
    }
}

}  // namespace
}  // namespace qzt
