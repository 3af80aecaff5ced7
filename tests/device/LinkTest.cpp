// The link's frame, reply and wait rules, against the simulated box in zero
// time: its clock moves only while the link sleeps, so every wait is checked
// to the millisecond without taking any time.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "SimLink.h"
#include "device/link/KvdProtocol.h"
#include "text/HexText.h"

namespace qzt {
namespace {

using namespace std::chrono_literals;
using test::SimLink;

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) {
        bytes += static_cast<char>(v);
    }
    return bytes;
}

std::string Framed(std::string_view payload, std::string_view checksum) {
    return "\x02" + std::string(payload) + std::string(checksum) + "\x03";
}

TEST(TUsbInterface, HexHelpers) {
    const std::vector<std::pair<std::uint8_t, std::string>> bytes = {
        {0x00, "00"}, {0x4F, "4F"}, {0xAB, "AB"}, {0xFF, "FF"}};
    for (const auto& [value, text] : bytes) {
        EXPECT_EQ(ByteToHex(value), text);
    }
    // Lower-case letters and other characters give values above 15, and
    // characters below '0' wrap round.
    const std::vector<std::pair<char, int>> digits = {{'0', 0},  {'9', 9},  {'A', 10}, {'F', 15},
                                                      {'a', 42}, {'f', 47}, {'G', 16}, {'/', 255}};
    for (const auto& [c, value] : digits) {
        EXPECT_EQ(TUsbInterface::HexDigitValue(c), value) << c;
    }
}

TEST(TUsbInterface, FramesGoOutByteForByte) {
    struct Case {
        std::string payload;
        std::string frame;
    };
    const std::vector<Case> cases = {
        {"O", Bytes({0x02, 0x4F, 0x34, 0x46, 0x03})},
        {"v", Bytes({0x02, 0x76, 0x37, 0x36, 0x03})},
        {"R00F010", Framed("R00F010", "89")},
        {"R00F801", Framed("R00F801", "91")},
        {"W00DE030102AB", Framed("W00DE030102AB", "E9")},
    };
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    for (const Case& c : cases) {
        std::array<std::uint8_t, 46> reply{};
        EXPECT_EQ(s.link.SendCommand(c.payload), c.frame.size());
        s.link.ReceiveReply(reply, 250ms, 1);
        EXPECT_EQ(s.sim->Traffic().frames.back(), c.frame) << c.payload;
    }
}

// What ReceiveReply makes of each kind of reply. The box is told what to
// send back, so each reply arrives whole, as one packet of the chip.
TEST(TUsbInterface, ReplyHandling) {
    struct Case {
        const char* name;
        std::string reply;
        std::size_t expected;
        std::size_t area;
        std::size_t result;
        std::string payload;
    };
    const std::vector<Case> cases = {
        {"framed reply", Framed("48", "6C"), 2, 46, 2, "48"},
        {"raw byte where a frame was expected", "\x06", 2, 46, 1, "\x06"},
        {"raw byte as expected", "\x15", 1, 1, 1, "\x15"},
        {"empty framed reply", Framed("", "00"), 2, 46, 0, ""},
        {"lower-case checksum digits", Framed("O", "4f"), 1, 46, 0, ""},
        {"checksum characters that only add up", Framed("0", "2G"), 1, 46, 0, ""},
        {"wrong checksum", Framed("48", "6D"), 2, 46, 0, ""},
        {"no STX", "X" + Framed("48", "6C").substr(1), 2, 46, 0, ""},
        {"no ETX", Framed("48", "6C").substr(0, 5) + "X", 2, 46, 0, ""},
        {"too short for an envelope", "\x02\x03", 2, 46, 0, ""},
        {"frame of another length", kvd::BuildFrame("4849"), 2, 46, 4, "4849"},
        {"longer than the caller's area", kvd::BuildFrame("KVD-USB 1.4X"), 11, 11, 0, ""},
    };
    for (const Case& c : cases) {
        SimLink s;
        ASSERT_EQ(s.link.Open(), LinkOk);
        s.sim->ScriptReplies({c.reply});
        std::vector<std::uint8_t> reply(c.area, 0xEE);
        const std::size_t n = s.link.Transact("R00F801", reply, 250ms, c.expected);
        EXPECT_EQ(n, c.result) << c.name;
        EXPECT_EQ(std::string(reply.begin(), reply.begin() + static_cast<long>(n)), c.payload)
            << c.name;
    }
}

// How long a wait lasts, on the simulator's clock: the whole initial wait
// when nothing comes, to the moment the expected count is in, and 250 ms past
// the last byte when more than expected came.
TEST(TUsbInterface, WaitRules) {
    const std::string frame = Framed("48", "6C");
    const std::string sent = Framed("R00F801", "91");
    const double arrival = std::chrono::duration<double, std::milli>(
                               kvd::LineTime(sent.size() + frame.size()) + SimSettings{}.latency)
                               .count();
    const std::string flood(300, 'x');
    const double floodArrival = std::chrono::duration<double, std::milli>(
                                    kvd::LineTime(sent.size() + 300) + SimSettings{}.latency)
                                    .count();
    struct Case {
        const char* name;
        std::vector<std::string> script;
        std::chrono::milliseconds initialWait;
        double elapsed;
        std::size_t result;
    };
    const std::vector<Case> cases = {
        {"no answer", {""}, 250ms, 250.0, 0},
        {"no answer to the connection check", {""}, 350ms, 350.0, 0},
        {"exactly the expected count", {frame}, 250ms, arrival, 2},
        {"one byte more than expected", {frame + std::string(1, '\0')}, 250ms, arrival + 250.0, 0},
        {"one byte less than expected", {frame.substr(0, 5)}, 250ms, arrival + 250.0, 0},
        // More than 255 bytes waiting must not confuse the count of the wait.
        {"a flood of 300 bytes", {flood}, 250ms, floodArrival + 250.0, 0},
    };
    for (const Case& c : cases) {
        SimLink s;
        ASSERT_EQ(s.link.Open(), LinkOk);
        s.sim->ScriptReplies(c.script);
        const auto start = s.sim->Clock().Now();
        // A window waiting on the link is let answer every 20 ms or so.
        std::vector<double> calls{0.0};
        s.link.SetWaitHandler([&] { calls.push_back(s.MillisecondsSince(start)); });
        std::array<std::uint8_t, 46> reply{};
        EXPECT_EQ(s.link.Transact("R00F801", reply, c.initialWait, 2), c.result) << c.name;
        EXPECT_GE(s.MillisecondsSince(start), c.elapsed) << c.name;
        EXPECT_LE(s.MillisecondsSince(start), c.elapsed + 1.0) << c.name;
        calls.push_back(s.MillisecondsSince(start));
        for (std::size_t i = 1; i < calls.size(); ++i) {
            EXPECT_LE(calls[i] - calls[i - 1], 21.0) << c.name << " call " << i;
        }
    }
}

TEST(TUsbInterface, ClosedLinkSendsNothingAndWaitsItsTimeOut) {
    SimLink s;
    const auto start = s.sim->Clock().Now();
    std::array<std::uint8_t, 46> reply{};
    EXPECT_EQ(s.link.Transact("O", reply, 250ms, 1), 0u);
    EXPECT_NEAR(s.MillisecondsSince(start), 250.0, 1.0);
    EXPECT_EQ(s.link.QueueCount(), 0u);
    EXPECT_EQ(s.link.ReadBytes(reply), 0u);
    EXPECT_EQ(s.link.WriteText("O"), 0u);
    EXPECT_FALSE(s.link.PurgeQueues());
    EXPECT_EQ(s.sim->Traffic().bytesToBox, 0u);
    EXPECT_EQ(s.sim->Traffic().opens, 0u);
}

TEST(TUsbInterface, PayloadsThatCannotBeFramedAreNotSent) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    const auto start = s.sim->Clock().Now();
    std::array<std::uint8_t, 46> reply{};
    // An empty payload sends nothing, and the wait still runs.
    EXPECT_EQ(s.link.Transact("", reply, 250ms, 1), 0u);
    EXPECT_NEAR(s.MillisecondsSince(start), 250.0, 1.0);
    // A payload longer than the frame buffer holds is refused, not cut.
    EXPECT_EQ(s.link.SendCommand(std::string(TUsbInterface::kMaxPayload + 1, 'W')), 0u);
    EXPECT_EQ(s.link.SendCommand(std::string(TUsbInterface::kMaxPayload, 'W')),
              TUsbInterface::kMaxPayload + 4);
    EXPECT_EQ(s.sim->Traffic().bytesToBox, TUsbInterface::kMaxPayload + 4);
}

TEST(TUsbInterface, OpenAndClose) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    EXPECT_TRUE(s.sim->IsOpen());
    // Opening an open link closes the old handle first.
    ASSERT_EQ(s.link.Open(), LinkOk);
    EXPECT_EQ(s.sim->Traffic().opens, 2u);
    EXPECT_EQ(s.sim->Traffic().closes, 1u);
    s.link.Close();
    EXPECT_FALSE(s.link.IsOpen());
    EXPECT_FALSE(s.sim->IsOpen());
    s.link.Close();
    EXPECT_EQ(s.sim->Traffic().closes, 2u);

    SimLink absent("no-box");
    EXPECT_EQ(absent.link.Open(), LinkNotFound);
    EXPECT_FALSE(absent.link.IsOpen());
}

// A chip that records every call with its arguments, and can refuse one.
struct RecordingHandle : FtHandle {
    RecordingHandle(std::vector<std::string>& log, std::string refused)
        : calls(log), refuse(std::move(refused)) {}

    FtStatus SetBaudRate(std::uint32_t baud) override { return Record("SetBaudRate", {baud}); }
    FtStatus SetDataCharacteristics(std::uint8_t bits, std::uint8_t stop,
                                    std::uint8_t parity) override {
        return Record("SetDataCharacteristics", {bits, stop, parity});
    }
    FtStatus SetFlowControl(std::uint16_t flow, std::uint8_t xon, std::uint8_t xoff) override {
        return Record("SetFlowControl", {flow, xon, xoff});
    }
    FtStatus ClrDtr() override { return Record("ClrDtr", {}); }
    FtStatus Purge(std::uint32_t mask) override { return Record("Purge", {mask}); }
    FtStatus SetTimeouts(std::uint32_t read, std::uint32_t write) override {
        return Record("SetTimeouts", {read, write});
    }
    FtStatus GetQueueStatus(std::uint32_t& waiting) override {
        waiting = 0;  // asked all through a wait: not recorded
        return FtStatus::Ok;
    }
    FtStatus Read(std::span<std::uint8_t>, std::uint32_t& read) override {
        read = 0;
        return Record("Read", {});
    }
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        written = static_cast<std::uint32_t>(bytes.size());
        return Record("Write", {written});
    }
    FtStatus Close() override { return Record("Close", {}); }

    FtStatus Record(std::string call, std::initializer_list<std::uint32_t> arguments) {
        const bool refused = call == refuse;
        for (std::uint32_t argument : arguments) {
            call += " " + std::to_string(argument);
        }
        calls.push_back(std::move(call));
        return refused ? FtStatus::IoError : FtStatus::Ok;
    }

    std::vector<std::string>& calls;
    std::string refuse;
};

struct RecordingChip : FtLibrary {
    FtStatus OpenByDescription(std::string_view description,
                               std::unique_ptr<FtHandle>& handle) override {
        calls.push_back("OpenEx " + std::string(description));
        handle = std::make_unique<RecordingHandle>(calls, refuse);
        return FtStatus::Ok;
    }
    LinkClock& Clock() override { return clock; }

    std::vector<std::string> calls;
    std::string refuse;
    VirtualLinkClock clock;
};

// The chip calls of a session and their arguments. A refused setting fails
// Open but the other settings are still made, and the handle stays open for
// the caller's Close.
TEST(TUsbInterface, ChipCallsOfASession) {
    for (const std::string refuse : {"", "SetBaudRate"}) {
        auto chip = std::make_shared<RecordingChip>();
        chip->refuse = refuse;
        TUsbInterface link(chip);
        EXPECT_EQ(link.Open(), refuse.empty() ? LinkOk : LinkNotFound);
        EXPECT_TRUE(link.IsOpen());
        std::array<std::uint8_t, 1> reply{};
        link.Transact("O", reply, 350ms, 1);
        link.Close();
        const std::vector<std::string> expected = {
            "OpenEx Orvi KVD - Active USB Interface",
            "SetBaudRate 57600",
            "SetDataCharacteristics 8 2 0",
            "SetFlowControl 0 0 0",
            "ClrDtr",
            "Purge 3",
            "Write 5",
            "SetTimeouts 10 100",
            "Purge 1",
            "Close",
        };
        EXPECT_EQ(chip->calls, expected) << refuse;
    }
}

// More than the 50 bytes a reply is read into: the rest stays queued until
// the purge before the next command, and never reaches its reply.
TEST(TUsbInterface, LeftoverBytesArePurgedBeforeTheNextCommand) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    s.sim->ScriptReplies({std::string(60, '\x06')});
    std::array<std::uint8_t, 46> reply{};
    EXPECT_EQ(s.link.Transact("O", reply, 350ms, 1), 0u);
    EXPECT_EQ(s.link.QueueCount(), 10u);
    EXPECT_EQ(s.link.CheckConnection(), LinkOk);
    EXPECT_EQ(s.link.QueueCount(), 0u);
}

}  // namespace
}  // namespace qzt
