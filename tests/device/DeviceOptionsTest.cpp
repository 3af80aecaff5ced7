#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimLink.h"
#include "device/Backends.h"
#include "device/DeviceOptions.h"
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
        {{}, "sim:/tmp/unit.bin", DeviceKind::Sim, "/tmp/unit.bin"},
        {{"--device=tty"}, "usb", DeviceKind::Tty, ""},
        {{"--device=tty:/dev/ttyUSB3"}, nullptr, DeviceKind::Tty, "/dev/ttyUSB3"},
        {{"--device=/dev/ttyUSB9"}, nullptr, DeviceKind::Tty, "/dev/ttyUSB9"},
        {{"--device=sim:unit.bin", "--device=auto"}, nullptr, DeviceKind::Auto, ""},
        {{"config.Qzt", "--device=sim:a:b.bin", "folder"}, nullptr, DeviceKind::Sim, "a:b.bin"},
        // After "--" everything is a path.
        {{"--", "--device=usb"}, nullptr, DeviceKind::Auto, ""},
    };
    for (const Case& c : cases) {
        const DeviceOptions options = ParseDeviceOptions(c.arguments, c.environment);
        EXPECT_TRUE(options.Valid()) << options.error;
        EXPECT_EQ(options.kind, c.kind);
        EXPECT_EQ(options.kind == DeviceKind::Sim ? options.sim.path : options.ttyPath, c.path);
    }
}

TEST(DeviceOptions, SimulatorSettings) {
    const DeviceOptions options = ParseDeviceOptions(
        {"--device=sim:u.bin",
         "--sim-faults=nak-writes:2,silent-reads@0xF0,wrong-product,late-replies@64:1=260,unplug=3",
         "--sim-latency=3", "--sim-timing=zero"},
        nullptr);
    ASSERT_TRUE(options.Valid()) << options.error;
    const std::vector<SimFault> faults = {
        {SimFaultKind::NakWrites, std::nullopt, 2u, std::nullopt},
        {SimFaultKind::SilentReads, 0xF0u, std::nullopt, std::nullopt},
        {SimFaultKind::WrongProduct, std::nullopt, std::nullopt, std::nullopt},
        {SimFaultKind::LateReplies, 64u, 1u, 260u},
        {SimFaultKind::Unplug, std::nullopt, std::nullopt, 3u},
    };
    EXPECT_EQ(options.sim.faults, faults);
    EXPECT_EQ(options.sim.latency, 3ms);
    EXPECT_TRUE(options.sim.zeroTime);
    EXPECT_TRUE(options.sim.Has(SimFaultKind::WrongProduct));
    EXPECT_FALSE(options.sim.Has(SimFaultKind::NoBox));
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
        const DeviceOptions options = ParseDeviceOptions(c.arguments, c.environment);
        EXPECT_FALSE(options.Valid());
        EXPECT_EQ(options.error, c.error);
    }
    // A link built from options it did not understand finds no box.
    test::TempDir dir;
    const DeviceOptions options =
        ParseDeviceOptions({"--device=sim:" + (dir / "unit.bin"), "--sim-faults=bogus"}, nullptr);
    TUsbInterface link(MakeBackend(options));
    EXPECT_EQ(link.Open(), LinkNotFound);
    EXPECT_EQ(test::ReadFile(dir / "unit.bin"), "<missing>");
}

TEST(DeviceOptions, BuildsTheNamedBackend) {
    test::TempDir dir;
    DeviceOptions options =
        ParseDeviceOptions({"--device=sim:" + (dir / "unit.bin"), "--sim-timing=zero"}, nullptr);
    TUsbInterface link(MakeBackend(options));
    ASSERT_EQ(link.Open(), LinkOk);
    EXPECT_EQ(link.CheckConnection(), LinkOk);
    link.Close();
    EXPECT_NE(test::ReadFile(dir / "unit.bin"), "<missing>");
}

}  // namespace
}  // namespace qzt
