#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "device/DeviceChoice.h"

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
        const DeviceOptions options = ChooseDeviceOptions(c.arguments, c.environment, c.stored);
        EXPECT_TRUE(options.Valid()) << c.name << ": " << options.error;
        EXPECT_EQ(DeviceValue(options), c.device) << c.name;
    }
}

// A bad value on the command line is still the user's mistake to see, not
// something the stored choice covers up.
TEST(DeviceChoice, AnUnknownDeviceOnTheCommandLineStaysAnError) {
    EXPECT_FALSE(ChooseDeviceOptions({"--device=bogus"}, nullptr, "usb").Valid());
    EXPECT_FALSE(ChooseDeviceOptions({}, "bogus", "usb").Valid());
}

TEST(DeviceChoice, TheStoredDeviceKeepsTheSimulatorsOptions) {
    const DeviceOptions options = ChooseDeviceOptions(
        {"--sim-timing=zero", "--sim-latency=16", "file.Qzt"}, nullptr, "sim:/tmp/unit.bin");
    ASSERT_TRUE(options.Valid()) << options.error;
    EXPECT_EQ(options.kind, DeviceKind::Sim);
    EXPECT_EQ(options.sim.path, "/tmp/unit.bin");
    EXPECT_TRUE(options.sim.zeroTime);
    EXPECT_EQ(options.sim.latency, std::chrono::milliseconds(16));
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
        const DeviceOptions options = WithDevice(c.arguments, c.device);
        EXPECT_EQ(options.Valid(), c.valid) << c.name << ": " << options.error;
        EXPECT_EQ(DeviceValue(options), c.result) << c.name;
    }
}

TEST(DeviceChoice, DeviceValuesRoundTrip) {
    for (const char* value : {"auto", "usb", "tty", "tty:/dev/ttyUSB0", "sim:/tmp/a b.bin"}) {
        ASSERT_TRUE(IsDeviceValue(value)) << value;
        EXPECT_EQ(DeviceValue(WithDevice({}, value)), value);
    }
    for (const char* value : {"", "sim:", "USB", "tty0", "auto "}) {
        EXPECT_FALSE(IsDeviceValue(value)) << '"' << value << '"';
    }
}

}  // namespace
}  // namespace qzt
