// The kernel serial backend for real: the simulated box answers on the far
// end of a pseudo-terminal, and the link talks to it through termios, tcflush
// and FIONREAD as it talks to /dev/ttyUSB0. Also how the port is found by its
// USB product string in sysfs, and what happens without a box.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PtyKvdServer.h"
#include "SimLink.h"
#include "device/Backends.h"
#include "device/link/KvdProtocol.h"
#include "device/tty/TtyBackend.h"
#include "device/usb/UsbBackend.h"

namespace qzt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

SimSettings PtySim(const std::string& path, std::string_view faults = {}) {
    SimSettings settings = test::ZeroTimeSim(path, faults);
    settings.zeroTime = false;
    return settings;
}

TEST(TtyBackend, TalksToTheBoxOverAPseudoTerminal) {
    TempDir dir;
    PtyKvdServer server(PtySim(dir / "unit.bin"));
    ASSERT_TRUE(server.Start());

    TUsbInterface link(std::make_shared<TtyLibrary>(server.PortPath()));
    ASSERT_EQ(link.Open(), LinkOk);
    EXPECT_EQ(link.CheckConnection(), LinkOk);
    EXPECT_EQ(link.ReadInterfaceInfo(), "KVD-USB 1.4");

    ConfigImage unit{};
    EXPECT_EQ(link.ReadImage(unit), LinkOk);
    EXPECT_EQ(unit, BuildSimulatedUnitImage());

    ConfigImage image = unit;
    for (unsigned i = 14; i <= 223; ++i) {
        image[i] = static_cast<std::uint8_t>(i);
    }
    StoreChecksum(image);
    EXPECT_EQ(link.WriteRange(image, 14, 224), LinkOk);
    ConfigImage readBack{};
    EXPECT_EQ(link.ReadImage(readBack), LinkOk);
    EXPECT_EQ(readBack, image);
    link.Close();

    // A second session on the same port, as the next device command would.
    ASSERT_EQ(link.Open(), LinkOk);
    EXPECT_EQ(link.CheckConnection(), LinkOk);
    link.Close();

    server.Stop();
    EXPECT_EQ(SimUnitFile::LoadOrCreate(dir / "unit.bin")->Memory(), image);
}

TEST(TtyBackend, RetriesAndFailuresOverAPseudoTerminal) {
    TempDir dir;
    PtyKvdServer server(PtySim(dir / "unit.bin", "nak-writes:3,silent-reads@0:1"));
    ASSERT_TRUE(server.Start());
    TUsbInterface link(std::make_shared<TtyLibrary>(server.PortPath()));
    ASSERT_EQ(link.Open(), LinkOk);
    ConfigImage image{};
    EXPECT_EQ(link.WriteRange(image, 20, 40), LinkWriteError);
    ConfigImage buffer{};
    EXPECT_EQ(link.ReadRange(buffer, 0, 40), LinkOk);  // block 0 answered on its second try
    EXPECT_EQ(buffer[2], 0x3A);
    EXPECT_EQ(buffer[20], BuildSimulatedUnitImage()[20]);  // the refused block is unchanged
    EXPECT_EQ(buffer[38], 0);                              // the next one was written
}

TEST(TtyBackend, PortIsTakenExclusively) {
    TempDir dir;
    PtyKvdServer server(PtySim(dir / "unit.bin"));
    ASSERT_TRUE(server.Start());
    TUsbInterface first(std::make_shared<TtyLibrary>(server.PortPath()));
    TUsbInterface second(std::make_shared<TtyLibrary>(server.PortPath()));
    ASSERT_EQ(first.Open(), LinkOk);
    EXPECT_EQ(second.Open(), LinkNotFound);
    first.Close();
    EXPECT_EQ(second.Open(), LinkOk);
}

// A sysfs tree as the ftdi_sio driver lays it out: the tty class entry links
// to the port, under the USB interface, under the USB device that carries
// the vendor id and product string.
struct FakeSysfs {
    FakeSysfs() { paths = {dir / "sys", dir / "dev"}; }

    void AddPort(const std::string& name, const std::string& vendor, const std::string& product,
                 const std::string& target, const std::string& latency = "16") {
        const fs::path device = fs::path(paths.sysfsRoot) / "devices/usb1" / ("1-" + name);
        const fs::path port = device / "1-1:1.0" / name;
        fs::create_directories(port);
        fs::create_directories(fs::path(paths.sysfsRoot) / "class/tty" / name);
        fs::create_directory_symlink(port,
                                     fs::path(paths.sysfsRoot) / "class/tty" / name / "device");
        test::WriteFile(device / "idVendor", vendor + "\n");
        test::WriteFile(device / "product", product + "\n");
        test::WriteFile(port / "latency_timer", latency + "\n");
        fs::create_directories(paths.devRoot);
        fs::create_symlink(target, fs::path(paths.devRoot) / name);
    }

    std::string Latency(const std::string& name) const {
        return test::ReadFile(fs::path(paths.sysfsRoot) / "devices/usb1" / ("1-" + name) /
                              "1-1:1.0" / name / "latency_timer");
    }

    TempDir dir;
    TtyPaths paths;
};

TEST(TtyBackend, FindsThePortByItsProductString) {
    const std::string box(kvd::kDescription);
    struct Case {
        const char* name;
        std::vector<std::tuple<std::string, std::string, std::string>>
            ports;  // name, vendor, product
        std::string found;
    };
    const std::vector<Case> cases = {
        {"the box", {{"ttyUSB0", "0403", box}}, "ttyUSB0"},
        {"another FTDI device first",
         {{"ttyUSB0", "0403", "FT232R USB UART"}, {"ttyUSB1", "0403", box}},
         "ttyUSB1"},
        {"another maker with the same text", {{"ttyUSB0", "067b", box}}, ""},
        {"no port", {}, ""},
    };
    for (const Case& c : cases) {
        FakeSysfs sysfs;
        for (const auto& [name, vendor, product] : c.ports) {
            sysfs.AddPort(name, vendor, product, "/dev/null");
        }
        const auto found = FindTtyByDescription(kvd::kDescription, sysfs.paths);
        EXPECT_EQ(found.value_or(""), c.found.empty() ? "" : sysfs.paths.devRoot + "/" + c.found)
            << c.name;
    }
}

TEST(TtyBackend, OpensTheFoundPortAndLowersItsLatencyTimer) {
    TempDir dir;
    PtyKvdServer server(PtySim(dir / "unit.bin"));
    ASSERT_TRUE(server.Start());
    FakeSysfs sysfs;
    sysfs.AddPort("ttyUSB4", "0403", std::string(kvd::kDescription), server.PortPath());

    TUsbInterface link(std::make_shared<TtyLibrary>("", sysfs.paths));
    ASSERT_EQ(link.Open(), LinkOk);
    EXPECT_EQ(link.CheckConnection(), LinkOk);
    EXPECT_EQ(sysfs.Latency("ttyUSB4"), "2\n");
}

TEST(Backends, WithoutABoxOpenReportsNotFound) {
    TempDir dir;
    test::WriteFile(dir / "plain-file", "not a port");
    FakeSysfs emptySysfs;
    struct Case {
        const char* name;
        std::shared_ptr<FtLibrary> library;
    };
    const std::vector<Case> cases = {
        {"tty:PATH that does not exist", std::make_shared<TtyLibrary>(dir / "ttyUSB9")},
        {"tty:PATH that is no terminal", std::make_shared<TtyLibrary>(dir / "plain-file")},
        {"tty found by product string", std::make_shared<TtyLibrary>("", emptySysfs.paths)},
        {"usb", std::make_shared<UsbLibrary>()},
        {"unknown options", MakeBackend(ParseDeviceOptions({"--device=bogus"}, nullptr))},
    };
    for (const Case& c : cases) {
        TUsbInterface link(c.library);
        EXPECT_EQ(link.Open(), LinkNotFound) << c.name;
        EXPECT_FALSE(link.IsOpen()) << c.name;
        EXPECT_EQ(link.CheckConnection(), LinkNoAnswer) << c.name;
    }
}

}  // namespace
}  // namespace qzt
