#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "device/DeviceChoice.h"
#include "device/sim/SimSettings.h"

namespace qzt {
namespace {

// One run's device: the command line, then the environment, then the stored
// choice, then auto; a stored value that is no device is passed over.
TEST(DeviceChoice, CommandLineAndEnvironmentWinOverTheStoredChoice) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* environment;
        const char* stored;
        std::string device;  // DeviceValue of the result
    };
    const std::vector<Case> cases = {
        {"nothing anywhere", {}, nullptr, "", "auto"},
        {"stored only", {}, nullptr, "tty:/dev/kvd", "tty:/dev/kvd"},
        {"stored usb", {"config.Qzt"}, nullptr, "usb", "usb"},
        {"empty environment is not set", {}, "", "usb", "usb"},
        {"environment wins", {}, "sim:/tmp/u.bin", "usb", "sim:/tmp/u.bin"},
        {"command line wins", {"--device=tty"}, "usb", "sim:/tmp/u.bin", "tty"},
        {"command line auto wins", {"--device=auto"}, nullptr, "usb", "auto"},
        {"a --device= after -- is a file name", {"--", "--device=usb"}, nullptr, "tty", "tty"},
        {"stored nonsense is ignored", {}, nullptr, "serial-port-7", "auto"},
        {"stored sim without a file is ignored", {}, nullptr, "sim:", "auto"},
    };
    for (const Case& c : cases) {
        const Result<DeviceOptions> options =
            ChooseDeviceOptions(c.arguments, c.environment, c.stored);
        ASSERT_TRUE(options) << c.name << ": " << options.error().message;
        EXPECT_EQ(DeviceValue(*options), c.device) << c.name;
    }
}

// A bad value on the command line is still the user's mistake to see, not
// something the stored choice covers up.
TEST(DeviceChoice, AnUnknownDeviceOnTheCommandLineStaysAnError) {
    EXPECT_FALSE(ChooseDeviceOptions({"--device=bogus"}, nullptr, "usb"));
    EXPECT_FALSE(ChooseDeviceOptions({}, "bogus", "usb"));
}

TEST(DeviceChoice, TheStoredDeviceKeepsTheSimulatorsOptions) {
    const Result<DeviceOptions> options = ChooseDeviceOptions(
        {"--sim-timing=zero", "--sim-latency=16", "file.Qzt"}, nullptr, "sim:/tmp/unit.bin");
    ASSERT_TRUE(options) << options.error().message;
    EXPECT_EQ(options->kind, DeviceKind::Added);
    const Result<SimSettings> sim = ParseSimSettings(*options);
    ASSERT_TRUE(sim);
    EXPECT_EQ(sim->path, "/tmp/unit.bin");
    EXPECT_TRUE(sim->zeroTime);
    EXPECT_EQ(sim->latency, std::chrono::milliseconds(16));
}

// The dialog's choice replaces whatever device the run had; an error in the
// replaced --device= goes with it, one in another option stays.
TEST(DeviceChoice, WithDeviceReplacesOnlyTheDevice) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* device;
        bool valid;
        std::string result;
    };
    const std::vector<Case> cases = {
        {"over a command-line device",
         {"--device=usb"},
         "tty:/dev/ttyUSB1",
         true,
         "tty:/dev/ttyUSB1"},
        {"over a bad device", {"--device=bogus"}, "auto", true, "auto"},
        {"a later --device= does not come back",
         {"--device=sim:a", "--device=usb"},
         "tty",
         true,
         "tty"},
        {"a bad simulator option stays", {"--sim-timing=warp"}, "usb", false, "usb"},
        {"a bad choice", {}, "nothing", false, "auto"},
    };
    for (const Case& c : cases) {
        const Result<DeviceOptions> options = WithDevice(c.arguments, c.device);
        ASSERT_EQ(options.has_value(), c.valid) << c.name;
        if (options) {
            EXPECT_EQ(DeviceValue(*options), c.result) << c.name;
        }
    }
}

TEST(DeviceChoice, DeviceValuesRoundTrip) {
    for (const char* value :
         {"auto", "usb", "usb:FT4KVD01", "tty", "tty:/dev/ttyUSB0", "sim:/tmp/a b.bin"}) {
        ASSERT_TRUE(IsDeviceValue(value)) << value;
        EXPECT_EQ(DeviceValue(WithDevice({}, value).value()), value);
    }
    for (const char* value : {"", "sim:", "usb:", "USB", "tty0", "auto ", "nothing:x"}) {
        EXPECT_FALSE(IsDeviceValue(value)) << '"' << value << '"';
    }
}

}  // namespace
}  // namespace qzt
