// The Windows routes: the D2XX driver's DLL (our fake one, or none at all)
// and a COM port. The COM-port tests need the simulated box on a port:
// scripts/test-windows.sh starts it on the Linux side of wine, links it as
// a COM port and names it in QZT_TEST_COM_PORT (and one that hangs up after
// a few frames in QZT_TEST_COM_UNPLUG_PORT); without them they are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "FakeD2xx.h"
#include "SimLink.h"
#include "TempDir.h"
#include "config/ConfigImage.h"
#include "config/DefaultImage.h"
#include "core/WideText.h"
#include "device/com/ComBackend.h"
#include "device/d2xx/D2xxDll.h"
#include "device/link/KvdProtocol.h"
#include "device/link/TUsbInterface.h"
#include "device/sim/SimUnitFile.h"
#include "text/Text.h"

namespace qzt {
namespace {

using test::TempDir;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Why the D2XX route finds no box, for each way it can fail to: what the
// link reports and what the user is told.
TEST(D2xxRoute, FindsNoBoxAndSaysWhy) {
    TempDir dir;
    const std::string unit = dir / "unit.bin";
    const struct {
        const char* name;
        std::string serial;
        std::wstring dll;
        const char* faults;
        bool holdBox;  // another program has the box open
        FtStatus status;
        std::string reason;
    } cases[] = {
        {"driver not installed", "", WideFromUtf8(dir / "none/ftd2xx.dll"), "", false,
         FtStatus::DeviceNotFound, "The chip maker's D2XX driver is not installed"},
        {"a DLL without the driver's calls", "", L"kernel32.dll", "", false,
         FtStatus::DeviceNotFound, TextF(txt::ReasonD2xxIncomplete, "FT_CreateDeviceInfoList")},
        {"no box on the bus", "", test::FakeD2xx::DllPath(), "no-box", false,
         FtStatus::DeviceNotFound, Text(txt::ReasonNoBox)},
        {"another serial number", "KVD9999Z", test::FakeD2xx::DllPath(), "", false,
         FtStatus::DeviceNotFound, TextF(txt::ReasonNoBoxWithSerial, "KVD9999Z")},
        {"the box held by another program", "", test::FakeD2xx::DllPath(), "", true,
         FtStatus::DeviceNotOpened, TextF(txt::ReasonD2xxBusy, "KVD0001A")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeD2xx fake(test::ZeroTimeSim(unit, c.faults));
        std::unique_ptr<FtHandle> other;
        if (c.holdBox) {
            ASSERT_EQ(D2xxLibrary({}, test::FakeD2xx::DllPath())
                          .OpenByDescription(kvd::kDescription, other),
                      FtStatus::Ok);
        }
        D2xxLibrary library(c.serial, c.dll);
        std::unique_ptr<FtHandle> handle;
        EXPECT_EQ(library.OpenByDescription(kvd::kDescription, handle), c.status);
        EXPECT_FALSE(handle);
        EXPECT_EQ(library.OpenFailureReason().substr(0, c.reason.size()), c.reason);
    }
}

// The box by its serial number, held while open and free after Close.
TEST(D2xxRoute, OpensTheBoxBySerialNumber) {
    TempDir dir;
    test::FakeD2xx fake(test::ZeroTimeSim(dir / "unit.bin"));
    D2xxLibrary bySerial("KVD0001A", test::FakeD2xx::DllPath());
    std::unique_ptr<FtHandle> handle;
    ASSERT_EQ(bySerial.OpenByDescription(kvd::kDescription, handle), FtStatus::Ok);
    EXPECT_TRUE(fake.BoxOpen());
    EXPECT_EQ(handle->Close(), FtStatus::Ok);
    EXPECT_FALSE(fake.BoxOpen());
}

// A port that is not there. (A port another program holds is refused by
// Windows itself, which opens a COM port for one program only; wine does
// not, so it cannot be tried here.)
TEST(ComRoute, PortThatIsNotThere) {
    const std::string reason = TextF(txt::ReasonPortMissing, "COM42");
    EXPECT_EQ(ComPortProblem("COM42"), reason);
    ComLibrary library("COM42");
    std::unique_ptr<FtHandle> handle;
    EXPECT_EQ(library.OpenByDescription(kvd::kDescription, handle), FtStatus::DeviceNotFound);
    EXPECT_EQ(library.OpenFailureReason(), reason);
}

TEST(ComRoute, TalksToTheBoxOverACOMPort) {
    const std::string port = Environment("QZT_TEST_COM_PORT");
    if (port.empty()) {
        GTEST_SKIP() << "no box on a COM port (QZT_TEST_COM_PORT)";
    }
    TUsbInterface link(std::make_shared<ComLibrary>(port));
    ASSERT_EQ(link.Open(), LinkOk) << link.NotFoundReason();
    EXPECT_EQ(link.CheckConnection(), LinkOk);
    EXPECT_EQ(link.ReadInterfaceInfo(), "KVD-USB 1.4");
    ConfigImage unit{};
    ASSERT_EQ(link.ReadImage(unit), LinkOk);

    // Every byte value through the port, the line's control characters
    // among them.
    ConfigImage image = unit;
    for (unsigned i = 14; i <= 223; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 0x0A);
    }
    image[30] = 0x0D;
    image[31] = 0x0A;
    image[32] = 0x1A;
    image[33] = 0x11;  // XON and XOFF are data here
    image[34] = 0x13;
    StoreChecksum(image);
    EXPECT_EQ(link.WriteRange(image, 14, 224), LinkOk);
    ConfigImage readBack{};
    EXPECT_EQ(link.ReadImage(readBack), LinkOk);
    EXPECT_EQ(readBack, image);
    // The unit as it was, for the commands that run after this test.
    EXPECT_EQ(link.WriteRange(unit, 14, 224), LinkOk);
    link.Close();
    ASSERT_EQ(link.Open(), LinkOk);
    EXPECT_EQ(link.CheckConnection(), LinkOk);
}

// The box pulled out (the far end hangs up after a few frames): the link
// notices at its next look and says the box is gone, without waiting out
// its retries.
TEST(ComRoute, HungUpPortIsTheBoxGone) {
    const std::string port = Environment("QZT_TEST_COM_UNPLUG_PORT");
    if (port.empty()) {
        GTEST_SKIP() << "no hanging-up box on a COM port (QZT_TEST_COM_UNPLUG_PORT)";
    }
    TUsbInterface link(std::make_shared<ComLibrary>(port));
    ASSERT_EQ(link.Open(), LinkOk) << link.NotFoundReason();
    ConfigImage unit{};
    EXPECT_NE(link.ReadImage(unit), LinkOk);
    EXPECT_TRUE(link.IsGone());
}

}  // namespace
}  // namespace qzt
