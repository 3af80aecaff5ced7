// The kernel serial backend for real: the simulated box answers on the far
// end of a pseudo-terminal, and the link talks to it through termios, tcflush
// and FIONREAD as it talks to /dev/ttyUSB0, also when the box answers late,
// in pieces, behind noise, or vanishes. Also how the port is found by its
// USB product string in sysfs, what happens without a box, and that `auto`
// leaves a port another program holds alone.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FakeFtdi.h"
#include "FakeKvdPorts.h"
#include "PtyKvdServer.h"
#include "SimLink.h"
#include "device/Backends.h"
#include "device/DeviceChoice.h"
#include "device/DeviceDiscovery.h"
#include "device/link/KvdProtocol.h"
#include "device/tty/TtyBackend.h"
#include "device/usb/UsbBackend.h"
#include "text/Text.h"

namespace qzt {
namespace {

namespace fs = std::filesystem;
using test::FakeSysfs;
using test::PortHolder;
using test::TempDir;

SimSettings PtySim(const std::string& path, std::string_view faults = {}) {
    SimSettings settings = test::ZeroTimeSim(path, faults);
    settings.zeroTime = false;
    return settings;
}

// A pseudo-terminal of the test's own: the master closes at will, as a box
// that vanishes; `slave` is held open so its settings can be looked at.
struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
            path = ::ptsname(master);
            slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        }
    }
    ~Pty() {
        CloseMaster();
        if (slave >= 0) {
            ::close(slave);
        }
    }
    void CloseMaster() {
        if (master >= 0) {
            ::close(master);
            master = -1;
        }
    }
    std::unique_ptr<FtHandle> OpenHandle() const {
        std::unique_ptr<FtHandle> handle;
        TtyLibrary(path).OpenByDescription(kvd::kDescription, handle);
        return handle;
    }

    int master = -1;
    int slave = -1;
    std::string path;
};

// Counts the frames the link sends: one Write a frame.
class FrameCounter : public FtLibrary {
  public:
    explicit FrameCounter(std::shared_ptr<FtLibrary> inner) : inner_(std::move(inner)) {}

    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override {
        std::unique_ptr<FtHandle> inner;
        const FtStatus status = inner_->OpenByDescription(description, inner);
        if (status == FtStatus::Ok) {
            handle = std::make_unique<Handle>(std::move(inner), frames);
        }
        return status;
    }

    std::size_t frames = 0;

  private:
    struct Handle : FtHandle {
        Handle(std::unique_ptr<FtHandle> handle, std::size_t& count)
            : inner(std::move(handle)), frames(count) {}
        FtStatus SetBaudRate(std::uint32_t b) override { return inner->SetBaudRate(b); }
        FtStatus SetDataCharacteristics(std::uint8_t w, std::uint8_t s, std::uint8_t p) override {
            return inner->SetDataCharacteristics(w, s, p);
        }
        FtStatus SetFlowControl(std::uint16_t f, std::uint8_t on, std::uint8_t off) override {
            return inner->SetFlowControl(f, on, off);
        }
        FtStatus ClrDtr() override { return inner->ClrDtr(); }
        FtStatus Purge(std::uint32_t mask) override { return inner->Purge(mask); }
        FtStatus SetTimeouts(std::uint32_t r, std::uint32_t w) override {
            return inner->SetTimeouts(r, w);
        }
        FtStatus GetQueueStatus(std::uint32_t& waiting) override {
            return inner->GetQueueStatus(waiting);
        }
        FtStatus Read(std::span<std::uint8_t> buffer, std::uint32_t& read) override {
            return inner->Read(buffer, read);
        }
        FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
            ++frames;
            return inner->Write(bytes, written);
        }
        FtStatus Close() override { return inner->Close(); }

        std::unique_ptr<FtHandle> inner;
        std::size_t& frames;
    };

    std::shared_ptr<FtLibrary> inner_;
};

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

TEST(TtyBackend, FaultsOfARealBoxOverAPseudoTerminal) {
    const ConfigImage unit = BuildSimulatedUnitImage();
    ConfigImage image = unit;
    for (unsigned i = 14; i <= 224; ++i) {
        image[i] = static_cast<std::uint8_t>(i + 1);
    }
    constexpr std::uint8_t kUntouched = 0xEE;
    struct Case {
        const char* faults;
        bool write;  // WriteRange(image, 14, 224), else ReadImage
        LinkResult result;
        // Bytes from here on were not transferred: the box vanished with
        // the frame of the block starting here, the `frames`-th sent.
        unsigned end;
        std::size_t frames = 0;
    };
    // The commands' fault matrix runs every fault over the pseudo-terminal;
    // here the link's own view: the bytes, and no frame after an unplug.
    const std::vector<Case> cases = {
        {"late-replies:1", false, LinkOk, 256},
        {"unplug@32", false, LinkReadError, 32, 3},
        {"unplug@64=1", true, LinkWriteError, 62, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.faults) + (c.write ? " write" : " read"));
        TempDir dir;
        PtyKvdServer server(PtySim(dir / "unit.bin", c.faults));
        ASSERT_TRUE(server.Start());
        auto counter =
            std::make_shared<FrameCounter>(std::make_shared<TtyLibrary>(server.PortPath()));
        TUsbInterface link(counter);
        ASSERT_EQ(link.Open(), LinkOk);

        ConfigImage expected = unit;
        if (c.write) {
            EXPECT_EQ(link.WriteRange(image, 14, 224), c.result);
            std::copy(image.begin() + 14, image.begin() + c.end, expected.begin() + 14);
            EXPECT_EQ(server.Memory(), expected);
        } else {
            ConfigImage buffer;
            buffer.fill(kUntouched);
            EXPECT_EQ(link.ReadImage(buffer), c.result);
            std::fill(expected.begin() + c.end, expected.end(), kUntouched);
            EXPECT_EQ(buffer, expected);
        }
        const bool unplugged = c.frames != 0;
        EXPECT_EQ(link.IsGone(), unplugged);
        if (unplugged) {
            EXPECT_EQ(counter->frames, c.frames);  // none for the blocks after it
            link.Close();
            EXPECT_EQ(link.Open(), LinkNotFound);
        }
        link.Close();
        server.Stop();
        EXPECT_EQ(SimUnitFile::LoadOrCreate(dir / "unit.bin")->Memory(), c.write ? expected : unit);
    }
}

// The port is gone once the far side closed; until then an empty queue is
// no failure. Reads larger than what is waiting wait out their time-out.
TEST(TtyBackend, AHungUpPortIsGone) {
    struct Case {
        const char* call;
        std::function<FtStatus(FtHandle&)> run;
    };
    const std::vector<Case> cases = {
        {"GetQueueStatus",
         [](FtHandle& h) {
             std::uint32_t waiting = 99;
             const FtStatus status = h.GetQueueStatus(waiting);
             EXPECT_EQ(waiting, 0u);
             return status;
         }},
        {"Read",
         [](FtHandle& h) {
             std::array<std::uint8_t, 8> buffer{};
             std::uint32_t read = 99;
             const FtStatus status = h.Read(buffer, read);
             EXPECT_EQ(read, 0u);
             return status;
         }},
        {"Write",
         [](FtHandle& h) {
             const std::array<std::uint8_t, 2> bytes{'O', 'K'};
             std::uint32_t written = 0;
             return h.Write(bytes, written);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        Pty pty;
        const std::unique_ptr<FtHandle> handle = pty.OpenHandle();
        ASSERT_TRUE(handle);
        ASSERT_EQ(handle->SetTimeouts(5, 5), FtStatus::Ok);
        EXPECT_EQ(c.run(*handle), FtStatus::Ok);
        pty.CloseMaster();
        EXPECT_EQ(c.run(*handle), FtStatus::IoError);
    }
}

TEST(TtyBackend, OpenClearsHupclSoClosingLeavesTheLinesAlone) {
    Pty pty;
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.slave, &t), 0);
    t.c_cflag |= HUPCL;
    ASSERT_EQ(::tcsetattr(pty.slave, TCSANOW, &t), 0);

    std::unique_ptr<FtHandle> handle = pty.OpenHandle();
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->ClrDtr(), FtStatus::Ok);  // a pty has no DTR: nothing to do
    ASSERT_EQ(::tcgetattr(pty.slave, &t), 0);
    EXPECT_EQ(t.c_cflag & HUPCL, 0u);
}

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

// Stands in for libftdi1 and remembers being asked.
struct RecordingUsb : FtLibrary {
    FtStatus OpenByDescription(std::string_view, std::unique_ptr<FtHandle>&) override {
        ++asked;
        return FtStatus::DeviceNotFound;
    }
    int asked = 0;
};

TEST(Backends, AutoNeverTakesABoxFromAnotherProgram) {
    const std::string box(kvd::kDescription);
    enum class Port { None, OtherProduct, HeldByAnotherProgram, NoTerminal };
    struct Case {
        const char* name;
        Port port;
        bool usbAsked;
    };
    const std::vector<Case> cases = {
        {"no port in sysfs", Port::None, true},
        {"only another product's port", Port::OtherProduct, true},
        {"the box's port held by another program", Port::HeldByAnotherProgram, false},
        {"the box's port is no terminal", Port::NoTerminal, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSysfs sysfs;
        Pty pty;
        std::optional<PortHolder> holder;
        switch (c.port) {
            case Port::None:
                break;
            case Port::OtherProduct:
                sysfs.AddPort("ttyUSB0", "0403", "FT232R USB UART", pty.path);
                break;
            case Port::HeldByAnotherProgram:
                sysfs.AddPort("ttyUSB0", "0403", box, pty.path);
                holder.emplace(pty.path);
                ASSERT_TRUE(holder->Locked());
                break;
            case Port::NoTerminal:
                sysfs.AddPort("ttyUSB0", "0403", box, "/dev/null");
                break;
        }
        auto usb = std::make_shared<RecordingUsb>();
        TUsbInterface link(std::make_shared<AutoLibrary>(sysfs.paths, usb));
        EXPECT_EQ(link.Open(), LinkNotFound);
        EXPECT_EQ(usb->asked, c.usbAsked ? 1 : 0);
    }
}

TEST(Backends, AutoOpensTheBoxsFreePort) {
    TempDir dir;
    PtyKvdServer server(PtySim(dir / "unit.bin"));
    ASSERT_TRUE(server.Start());
    FakeSysfs sysfs;
    sysfs.AddPort("ttyUSB0", "0403", std::string(kvd::kDescription), server.PortPath());
    auto usb = std::make_shared<RecordingUsb>();
    TUsbInterface link(std::make_shared<AutoLibrary>(sysfs.paths, usb));
    ASSERT_EQ(link.Open(), LinkOk);
    EXPECT_EQ(link.CheckConnection(), LinkOk);
    EXPECT_EQ(usb->asked, 0);
}

// What the connection dialog and qzt devices list: the ports carrying the
// box (the first is auto's choice), whether each can be had now, and the
// boxes on USB with their bus, address and serial number.
TEST(Backends, FindDevicesSaysWhatCanBeUsed) {
    TempDir dir;
    PtyKvdServer free(PtySim(dir / "free.bin"));
    PtyKvdServer held(PtySim(dir / "held.bin"));
    ASSERT_TRUE(free.Start());
    ASSERT_TRUE(held.Start());
    PortHolder holder(held.PortPath());
    ASSERT_TRUE(holder.Locked());
    const std::string box(kvd::kDescription);
    FakeSysfs sysfs;
    sysfs.AddPort("ttyUSB0", "0403", box, free.PortPath());
    sysfs.AddPort("ttyUSB1", "0403", box, held.PortPath());
    sysfs.AddPort("ttyUSB2", "0403", "FT232R USB UART", "/dev/null");
    sysfs.ListOnBus("ttyUSB0", 5, true);
    // A box the kernel's driver left alone, whose node this user may not open.
    sysfs.ListOnBus("nodriver", 7, false);
    for (const char* attribute : {"idVendor", "product"}) {
        test::WriteFile(fs::path(sysfs.paths.sysfsRoot) / "devices/usb1/1-nodriver" / attribute,
                        std::string(attribute) == "product" ? box + "\n" : "0403\n");
    }
    DeviceOptions sim;
    sim.kind = DeviceKind::Added;
    sim.backend = "sim";
    sim.path = dir / "sim.bin";

    std::vector<std::string> lines;
    for (const FoundDevice& d : FindDevices(sim, sysfs.paths)) {
        lines.push_back((d.automatic ? "* " : "  ") + d.device + " | " + d.place + " | " +
                        d.serial + " | " + (d.Usable() ? "usable" : d.problem));
    }
    const std::string dev = sysfs.paths.devRoot;
    const std::vector<std::string> expected = {
        "* tty:" + dev + "/ttyUSB0 | " + dev + "/ttyUSB0 |  | usable",
        "  tty:" + dev + "/ttyUSB1 | " + dev + "/ttyUSB1 |  | " +
            TextF(txt::ReasonPortBusy, dev + "/ttyUSB1"),
        "  usb | USB bus 1 address 7 (0403:6001) | KVD7 | " +
            TextF(txt::ReasonNoKernelDriver, std::string("0403:6001")),
        "  usb | USB bus 1 address 5 (0403:6001) | KVD5 | usable",
        "  sim:" + (dir / "sim.bin") + " | " + (dir / "sim.bin") + " |  | usable",
    };
    EXPECT_EQ(lines, expected);
}

// Without a box Open reports not found, and says why: the reason and its
// fix that the window shows as the message's details.
TEST(Backends, WithoutABoxOpenReportsNotFoundAndWhy) {
    TempDir dir;
    test::WriteFile(dir / "plain-file", "not a port");
    FakeSysfs emptySysfs;
    // The box on the bus with no serial port: the kernel's driver does not
    // know its product id.
    FakeSysfs driverless;
    const fs::path device = fs::path(driverless.paths.sysfsRoot) / "bus/usb/devices/1-3";
    fs::create_directories(device);
    test::WriteFile(device / "idVendor", "0403\n");
    test::WriteFile(device / "idProduct", "e0d0\n");
    test::WriteFile(device / "product", std::string(kvd::kDescription) + "\n");
    PtyKvdServer server(PtySim(dir / "unit.bin"));
    ASSERT_TRUE(server.Start());
    PortHolder holder(server.PortPath());
    ASSERT_TRUE(holder.Locked());
    std::shared_ptr<test::FakeFtdi> refusing;
    auto refusingUsb = test::MakeFakeUsbLibrary(PtySim(dir / "usb.bin"), &refusing);
    refusing->RefuseOpen(true);
    auto simulated = std::make_shared<SimLibrary>(test::ZeroTimeSim(dir / "sim.bin"));
    std::unique_ptr<FtHandle> inUse;
    ASSERT_EQ(simulated->OpenByDescription(kvd::kDescription, inUse), FtStatus::Ok);
    const auto noUsb = std::make_shared<RecordingUsb>();

    struct Case {
        const char* name;
        std::shared_ptr<FtLibrary> library;
        std::string reason;  // empty: any, but some
    };
    const std::vector<Case> cases = {
        {"a port that does not exist", std::make_shared<TtyLibrary>(dir / "ttyUSB9"),
         TextF(txt::ReasonPortMissing, dir / "ttyUSB9")},
        {"a port that is no terminal", std::make_shared<TtyLibrary>(dir / "plain-file"),
         TextF(txt::ReasonNotASerialPort, dir / "plain-file")},
        {"a port another program holds", std::make_shared<TtyLibrary>(server.PortPath()),
         TextF(txt::ReasonPortBusy, server.PortPath())},
        {"no port carries the box", std::make_shared<TtyLibrary>("", emptySysfs.paths),
         Text(txt::ReasonNoBox)},
        {"the box without a serial port", std::make_shared<AutoLibrary>(driverless.paths, noUsb),
         TextF(txt::ReasonNoKernelDriver, std::string("0403:e0d0"))},
        {"the box held on the usb route", refusingUsb,
         TextF(txt::ReasonUsbBusy, std::string("0403:6001"))},
        {"no box on the usb route", test::MakeFakeUsbLibrary(PtySim(dir / "u.bin", "no-box")),
         Text(txt::ReasonNoBox)},
        {"the machine's usb route", std::make_shared<UsbLibrary>(), ""},
        {"the simulated box in use", simulated, TextF(txt::ReasonSimUnavailable, dir / "sim.bin")},
        {"unknown options", MakeBackend(ParseDeviceOptions({"--device=bogus"}, nullptr)),
         TextF(txt::UnknownDevice, "bogus")},
    };
    for (const Case& c : cases) {
        TUsbInterface link(c.library);
        EXPECT_EQ(link.Open(), LinkNotFound) << c.name;
        EXPECT_FALSE(link.IsOpen()) << c.name;
        EXPECT_EQ(link.CheckConnection(), LinkNoAnswer) << c.name;
        if (c.reason.empty()) {
            EXPECT_FALSE(link.NotFoundReason().empty()) << c.name;
        } else {
            EXPECT_EQ(link.NotFoundReason(), c.reason) << c.name;
        }
    }
}

}  // namespace
}  // namespace qzt
