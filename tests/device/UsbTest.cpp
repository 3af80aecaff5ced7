// The usb backend on a fake USB bus with the simulated box on it, in zero
// time: finding the box among other devices, the chip's setup, replies that
// come in pieces, USB reads that time out or fail, and a box pulled out.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "FakeFtdi.h"
#include "SimLink.h"
#include "device/link/KvdProtocol.h"
#include "text/HexText.h"
#include "text/Text.h"

namespace qzt {
namespace {

using namespace std::chrono_literals;
using test::FakeFtdi;
using test::FakeUsbDevice;

struct UsbLink {
    explicit UsbLink(std::string_view faults = {}, std::string serial = {})
        : library(test::MakeFakeUsbLibrary(test::ZeroTimeSim(dir / "unit.bin", faults), &fake,
                                           std::move(serial))),
          link(library) {}

    ConfigImage FileMemory() const { return SimUnitFile::LoadOrCreate(dir / "unit.bin")->Memory(); }
    long CallCount(std::string_view call) const {
        const auto& calls = fake->Calls();
        return std::count_if(calls.begin(), calls.end(),
                             [&](const std::string& c) { return c.starts_with(call); });
    }

    test::TempDir dir;
    std::shared_ptr<FakeFtdi> fake;
    std::shared_ptr<FtLibrary> library;
    TUsbInterface link;
};

// The frame payload of a block read of the unit's memory.
std::string HexOf(const ConfigImage& memory, unsigned first, unsigned count) {
    std::string hex;
    for (unsigned i = first; i < first + count; ++i) {
        hex += ByteToHex(memory[i]);
    }
    return hex;
}

TEST(UsbBackend, OpensTheBoxByItsDescription) {
    const FakeUsbDevice box{0x0403, 0x6001, std::string(kvd::kDescription), true, true, "FT4KVD01"};
    const FakeUsbDevice other{0x0403, 0x6001, std::string(kvd::kDescription),
                              true,   false,  "FT4KVD02"};
    const FakeUsbDevice cable{0x0403, 0x6015, "FT230X Basic UART", true, false, "A1"};
    const FakeUsbDevice held{0x0403, 0x6001, "", false, false, ""};
    const FakeUsbDevice lookalike{0x1234, 0x0001, std::string(kvd::kDescription), true, false, ""};
    struct Case {
        const char* name;
        std::vector<FakeUsbDevice> bus;  // empty: the fake's own
        std::string faults;
        bool refuse;
        LinkResult result;
        std::string open;    // the open call made, if any
        std::string serial = {};  // usb:SERIAL
    };
    const std::vector<Case> cases = {
        {"among a receiver and a cable", {}, "", false, LinkOk, "ftdi_usb_open_dev 1"},
        {"first on the bus", {box, cable}, "", false, LinkOk, "ftdi_usb_open_dev 0"},
        {"behind a device whose strings cannot be read",
         {held, cable, box},
         "",
         false,
         LinkOk,
         "ftdi_usb_open_dev 2"},
        {"another maker's device of the same name",
         {lookalike, box},
         "",
         false,
         LinkOk,
         "ftdi_usb_open_dev 0"},
        {"only another maker's device of that name",
         {lookalike, cable},
         "",
         false,
         LinkNotFound,
         ""},
        {"no box", {}, "no-box", false, LinkNotFound, ""},
        {"open refused", {}, "", true, LinkNotFound, "ftdi_usb_open_dev 1"},
        {"the box of that serial number",
         {other, box},
         "",
         false,
         LinkOk,
         "ftdi_usb_open_dev 1",
         "FT4KVD01"},
        {"no box of that serial number", {other, cable}, "", false, LinkNotFound, "", "FT4KVD01"},
    };
    for (const Case& c : cases) {
        UsbLink s(c.faults, c.serial);
        if (!c.bus.empty()) {
            s.fake->Bus() = c.bus;
        }
        s.fake->RefuseOpen(c.refuse);
        EXPECT_EQ(s.link.Open(), c.result) << c.name;
        if (!c.serial.empty() && c.result == LinkNotFound) {
            EXPECT_EQ(s.link.NotFoundReason(), TextF(txt::ReasonNoBoxWithSerial, c.serial));
        }
        EXPECT_EQ(s.link.IsOpen(), c.result == LinkOk) << c.name;
        EXPECT_EQ(s.fake->BoxOpen(), c.result == LinkOk) << c.name;
        EXPECT_EQ(s.CallCount("ftdi_usb_open_dev"), c.open.empty() ? 0 : 1) << c.name;
        if (!c.open.empty()) {
            EXPECT_EQ(s.CallCount(c.open), 1) << c.name;
        }
        // A box already open elsewhere is not opened twice.
        if (c.result == LinkOk) {
            TUsbInterface second(s.library);
            EXPECT_EQ(second.Open(), LinkNotFound) << c.name;
        }
        s.link.Close();
        EXPECT_EQ(s.CallCount("ftdi_free"), s.CallCount("ftdi_new")) << c.name;
    }
}

// The libftdi1 calls of a session. Every USB read may take longer than the
// latency the chip runs at, whether it took the 2 ms or kept its 16 ms.
TEST(UsbBackend, SetupCallsInOrder) {
    for (const auto& [faults, latency] :
         std::vector<std::pair<std::string, std::chrono::milliseconds>>{
             {"", 2ms}, {"latency-refused", 16ms}}) {
        UsbLink s(faults);
        ASSERT_EQ(s.link.Open(), LinkOk) << faults;
        EXPECT_EQ(s.link.CheckConnection(), LinkOk) << faults;
        s.link.Close();
        EXPECT_EQ(s.fake->Latency(), latency) << faults;

        std::vector<std::string> calls = s.fake->CallsWithoutReads();
        int usbReadMs = 0;
        int usbWriteMs = 0;
        for (std::string& call : calls) {
            if (call.starts_with("usb_timeouts")) {
                std::sscanf(call.c_str(), "usb_timeouts %d %d", &usbReadMs, &usbWriteMs);
                call = "usb_timeouts";
            }
        }
        const std::vector<std::string> expected = {
            "ftdi_new",
            "list",
            "detach auto+reattach",
            "ftdi_usb_open_dev 1",
            "ftdi_set_latency_timer 2",
            "ftdi_set_baudrate 57600",
            "ftdi_set_line_property 8 2 0",
            "ftdi_setflowctrl 0",
            "ftdi_setdtr 0",
            "ftdi_tcioflush",
            "ftdi_write_data 5",
            "usb_timeouts",
            "ftdi_tciflush",
            "ftdi_usb_close",
            "ftdi_free",
        };
        EXPECT_EQ(calls, expected) << faults;
        EXPECT_GT(usbReadMs, latency.count()) << faults;
        EXPECT_EQ(usbWriteMs, TUsbInterface::kWriteTimeoutMs) << faults;
    }
}

// A block's reply is put together whole: in one ftdi_read_data while it keeps
// coming, in one a piece when the box pauses between them.
TEST(UsbBackend, RepliesInPieces) {
    struct Case {
        std::string faults;
        std::size_t pieces;
    };
    for (const Case& c : std::vector<Case>{{"", 1},
                                           {"latency-refused", 1},
                                           {"split-replies", 3},
                                           {"latency-refused,split-replies", 3}}) {
        UsbLink s(c.faults);
        ASSERT_EQ(s.link.Open(), LinkOk);
        std::array<std::uint8_t, 46> reply{};
        ASSERT_EQ(s.link.Transact("R001010", reply, 250ms, 32), 32u) << c.faults;
        EXPECT_EQ(std::string(reply.begin(), reply.begin() + 32), HexOf(s.FileMemory(), 16, 16))
            << c.faults;
        const auto& pieces = s.fake->Pieces();
        EXPECT_EQ(pieces.size(), c.pieces) << c.faults;
        EXPECT_EQ(std::accumulate(pieces.begin(), pieces.end(), std::size_t{0}), 36u) << c.faults;
    }
}

// A whole image read, and a block written back, with the chip at 2 ms and at
// its power-on 16 ms, and with the box's late, split and slow replies.
TEST(UsbBackend, WholeImage) {
    for (const std::string faults :
         {"", "latency-refused", "split-replies", "latency-refused,split-replies", "late-replies:1",
          "latency-refused,slow-box", "garbage-before:1"}) {
        UsbLink s(faults);
        ASSERT_EQ(s.link.Open(), LinkOk) << faults;
        std::array<std::uint8_t, kvd::kMemorySize> image{};
        EXPECT_EQ(s.link.ReadImage(image), LinkOk) << faults;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), s.FileMemory().begin())) << faults;

        for (unsigned i = 0; i < 16; ++i) {
            image[i] ^= 0x5A;
        }
        EXPECT_EQ(s.link.WriteRange(image, 0, 15), LinkOk) << faults;
        s.link.Close();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), s.FileMemory().begin())) << faults;
    }
}

// Trouble on the USB side during a block read: time-outs and other passing
// errors cost no reply, even with bytes already collected; a chip that is
// gone ends the session.
TEST(UsbBackend, TransferErrors) {
    using namespace ftdi_code;
    struct Case {
        const char* name;
        std::string faults;
        bool onWrite;
        std::vector<int> codes;
        std::size_t afterBytes;
        bool gone;
        std::size_t frames;
    };
    // Each takes the USB read time-out: three are over before the wait would
    // give up on the rest of a reply, ten last longer.
    const std::vector<int> three(3, kUsbTimeout);
    const std::vector<int> ten(10, kUsbTimeout);
    const std::vector<Case> cases = {
        {"time-outs between the pieces of a reply", "split-replies", false, three, 1, false, 1},
        {"time-outs once the whole reply is in", "", false, ten, 36, false, 1},
        {"a stalled endpoint between the pieces", "split-replies", false, {kUsbPipe}, 1, false, 1},
        // The retry makes the block one to confirm: read again, it agrees.
        {"a write that timed out", "", true, {kUsbTimeout}, 0, false, 2},
        // The look at the queue before the frame goes finds the chip gone.
        {"no device", "", false, {kUsbNoDevice}, 0, true, 0},
        {"an i/o error after the first piece", "split-replies", false, {kUsbIo}, 1, true, 1},
        {"device unavailable", "", false, {kUnavailable}, 0, true, 0},
        {"no device on write", "", true, {kUsbNoDevice}, 0, true, 0},
    };
    for (const Case& c : cases) {
        UsbLink s(c.faults);
        ASSERT_EQ(s.link.Open(), LinkOk);
        if (c.onWrite) {
            s.fake->FailWrites(c.codes);
        } else {
            s.fake->FailReads(c.codes, c.afterBytes);
        }
        std::array<std::uint8_t, kvd::kMemorySize> image{};
        EXPECT_EQ(s.link.ReadRange(image, 0, 15), c.gone ? LinkReadError : LinkOk) << c.name;
        EXPECT_EQ(s.link.IsGone(), c.gone) << c.name;
        EXPECT_EQ(s.fake->Frames().size(), c.frames) << c.name;
        if (!c.gone) {
            EXPECT_TRUE(std::equal(image.begin(), image.begin() + 16, s.FileMemory().begin()))
                << c.name;
        }
        // The next session starts afresh: a box that dropped once is not
        // gone for the rest of the program.
        s.link.Close();
        ASSERT_EQ(s.link.Open(), LinkOk) << c.name;
        EXPECT_FALSE(s.link.IsGone()) << c.name;
        EXPECT_EQ(s.link.ReadRange(image, 0, 15), LinkOk) << c.name;
    }
}

// The box pulled out during a command: the link notices, sends nothing more,
// and the unit keeps the blocks written before.
TEST(UsbBackend, BoxPulledOut) {
    struct Case {
        std::string faults;
        bool write;
        std::size_t frames;
    };
    for (const Case& c : std::vector<Case>{{"unplug=3", false, 3},
                                           {"unplug@40", false, 3},
                                           {"latency-refused,unplug=2", false, 2},
                                           {"unplug=3", true, 3}}) {
        UsbLink s(c.faults);
        ASSERT_EQ(s.link.Open(), LinkOk);
        const ConfigImage before = s.FileMemory();
        std::array<std::uint8_t, kvd::kMemorySize> image{};
        std::copy(before.begin(), before.end(), image.begin());
        if (c.write) {
            std::transform(image.begin(), image.begin() + 48, image.begin(),
                           [](std::uint8_t b) { return static_cast<std::uint8_t>(b ^ 0xFF); });
            EXPECT_EQ(s.link.WriteRange(image, 0, 47), LinkWriteError) << c.faults;
        } else {
            EXPECT_EQ(s.link.ReadImage(image), LinkReadError) << c.faults;
        }
        EXPECT_TRUE(s.link.IsGone()) << c.faults;
        EXPECT_TRUE(s.fake->Unplugged()) << c.faults;
        EXPECT_EQ(s.fake->Frames().size(), c.frames) << c.faults;
        EXPECT_EQ(s.CallCount("ftdi_write_data"), static_cast<long>(c.frames)) << c.faults;
        s.link.Close();
        // Written before the box went: the first blocks; the rest as it was.
        const ConfigImage after = s.FileMemory();
        const std::size_t written = c.write ? 16 * (c.frames - 1) : 0;
        EXPECT_TRUE(std::equal(after.begin(), after.begin() + written, image.begin())) << c.faults;
        EXPECT_TRUE(std::equal(after.begin() + written, after.end(), before.begin() + written))
            << c.faults;
        EXPECT_EQ(s.link.Open(), LinkNotFound) << c.faults;
    }
}

}  // namespace
}  // namespace qzt
