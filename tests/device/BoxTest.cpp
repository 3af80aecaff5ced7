// The simulated box's side of the line: how it parses frames and answers,
// how its faults strike, and the unit's memory file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "SimLink.h"
#include "device/link/KvdProtocol.h"
#include "device/sim/KvdBox.h"
#include "text/HexText.h"

namespace qzt {
namespace {

using test::Faults;
using test::SimLink;
using test::TempDir;

const std::string kAck = "\x06";
const std::string kNak = "\x15";

// The box's answer to one frame of `payload` with its proper checksum.
std::string AnswerTo(KvdBox& box, std::string_view payload) {
    std::string answer;
    for (char c : kvd::BuildFrame(payload)) {
        if (auto exchange = box.Receive(static_cast<std::uint8_t>(c))) {
            answer = exchange->answer;
        }
    }
    return answer;
}

ConfigImage Unit() {
    ConfigImage image{};
    image[kProductTypeOffset] = kQztProductType;
    image[255] = 0xAB;
    return image;
}

TEST(KvdBox, AnswersEveryFrameAsTheBoxMust) {
    struct Case {
        std::string payload;
        std::string answer;
    };
    const std::vector<Case> cases = {
        {"O", kAck},
        {"v", kvd::BuildFrame("KVD-USB 1.4")},
        {"R00F801",
         "\x02"
         "486C\x03"},
        {"R00FF01", kvd::BuildFrame("AB")},
        {"R00F802", kvd::BuildFrame("4800")},
        {"R00F010", kvd::BuildFrame("0000000000000000480000000000"
                                    "00AB")},
        {"W00DE030102AB", kAck},
        {"R00DE03", kvd::BuildFrame("0102AB")},
        // Addresses above 0x00FF, counts outside 1..16, blocks past the end.
        {"R010001", kNak},
        {"R00F110", kNak},
        {"R000000", kNak},
        {"R000011", kNak},
        {"W00FF02AABB", kNak},
        // Malformed commands.
        {"R00f801", kNak},
        {"R00F8", kNak},
        {"R00F80100", kNak},
        {"W00DE030102", kNak},
        {"W00DE030102ab", kNak},
        {"W00DE030102ABCD", kNak},
        {"o", kNak},
        {"OO", kNak},
        {"X", kNak},
    };
    KvdBox box(Unit(), {});
    for (const Case& c : cases) {
        EXPECT_EQ(AnswerTo(box, c.payload), c.answer) << c.payload;
    }
    EXPECT_TRUE(box.Changed());
    EXPECT_EQ(box.Memory()[222], 0x01);
    EXPECT_EQ(box.Memory()[224], 0xAB);
}

TEST(KvdBox, RefusesBrokenEnvelopes) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string answer;  // "-": no frame completed
    };
    const std::vector<Case> cases = {
        {"wrong checksum", "\x02O4E\x03", kNak},
        {"lower-case checksum", "\x02O4f\x03", kNak},
        {"empty frame", "\x02\x03", kNak},
        {"checksum only",
         "\x02"
         "00\x03",
         kNak},
        {"noise before the frame", std::string("\xFF\x00zz\x02O4F\x03", 9), kAck},
        {"STX restarts a frame", "\x02R00\x02O4F\x03", kAck},
        {"no STX", "O4F\x03", "-"},
        {"longer than the box's buffer", "\x02" + std::string(200, 'W') + "00\x03", kNak},
    };
    for (const Case& c : cases) {
        KvdBox box(Unit(), {});
        std::string answer = "-";
        for (char byte : c.bytes) {
            if (auto exchange = box.Receive(static_cast<std::uint8_t>(byte))) {
                answer = exchange->answer;
            }
        }
        EXPECT_EQ(answer, c.answer) << c.name;
    }
}

TEST(KvdBox, FaultsChangeTheAnswers) {
    struct Case {
        const char* faults;
        std::string payload;
        std::vector<std::string> answers;  // to the same frame, sent repeatedly
    };
    const std::string frame248 =
        "\x02"
        "486C\x03";
    const std::string corrupt248 =
        "\x02"
        "486D\x03";
    const std::vector<Case> cases = {
        {"no-unit", "O", {"", ""}},
        {"no-unit", "v", {kvd::BuildFrame("KVD-USB 1.4")}},
        {"no-unit", "R00F801", {""}},
        {"no-unit", "W000001AA", {""}},
        {"nak-writes", "W000001AA", {kNak, kNak, kNak}},
        {"nak-writes:1", "W000001AA", {kNak, kAck}},
        {"silent-writes:1", "W000001AA", {"", kAck}},
        {"silent-reads", "R00F801", {"", ""}},
        {"silent-reads@248:1", "R00F801", {"", frame248}},
        {"silent-reads@247", "R00F801", {frame248}},
        {"corrupt-reads:1", "R00F801", {corrupt248, frame248}},
        {"wrong-product",
         "R00F801",
         {"\x02"
          "476B\x03"}},
        {"stray-bytes:1", "O", {std::string("\x00\xFF", 2) + kAck, kAck}},
        // A malformed frame is refused whatever the faults.
        {"no-unit", "R010001", {kNak}},
    };
    for (const Case& c : cases) {
        KvdBox box(Unit(), Faults(c.faults));
        for (std::size_t i = 0; i < c.answers.size(); ++i) {
            EXPECT_EQ(AnswerTo(box, c.payload), c.answers[i]) << c.faults << " #" << i;
        }
    }
}

// A fresh simulated unit looks like one from production: a QZT with its own
// radio codes and product information, and a valid checksum.
TEST(SimUnitFile, CreatesAPlausibleUnitWhenMissing) {
    TempDir dir;
    const auto file = SimUnitFile::LoadOrCreate(dir / "unit.bin");
    ASSERT_TRUE(file.has_value());
    const ConfigImage& unit = file->Memory();
    EXPECT_EQ(test::ReadFile(dir / "unit.bin"), std::string(unit.begin(), unit.end()));
    EXPECT_TRUE(IsQztProduct(unit));
    EXPECT_TRUE(ChecksumMatches(unit));
    EXPECT_EQ(unit[253] * 65536 + unit[254] * 256 + unit[255], 123456);
    EXPECT_EQ(ByteToHex(unit[249]) + "." + ByteToHex(unit[250]) + "-" + ByteToHex(unit[251]),
              "02.1A-05");
    EXPECT_EQ(unit[2], 0x3A);
    EXPECT_EQ(unit[3], 0x41);
}

TEST(SimUnitFile, SizesAndWriteBack) {
    struct Case {
        const char* name;
        std::size_t size;
        bool opens;
    };
    const std::vector<Case> cases = {
        {"memory image", 256, true}, {"configuration file", 2048, true}, {"empty file", 0, false},
        {"too short", 255, false},   {"between the sizes", 1000, false},
    };
    for (const Case& c : cases) {
        SimLink s;
        std::string content(c.size, '\x11');
        for (std::size_t i = 256; i < c.size; ++i) {
            content[i] = '\xFF';
        }
        test::WriteFile(s.MemoryPath(), content);
        ASSERT_EQ(s.link.Open(), c.opens ? LinkOk : LinkNotFound) << c.name;
        if (!c.opens) {
            continue;
        }
        ConfigImage image{};
        image[20] = 0x42;
        EXPECT_EQ(s.link.WriteRange(image, 20, 20), LinkOk);
        s.link.Close();
        content[20] = '\x42';
        EXPECT_EQ(test::ReadFile(s.MemoryPath()), content) << c.name;
    }
}

// A session that changes nothing leaves the file as it was: not even
// replaced by a copy.
TEST(SimUnitFile, UnchangedMemoryIsNotWrittenBack) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    s.link.Close();
    struct stat before {};
    ASSERT_EQ(::stat(s.MemoryPath().c_str(), &before), 0);
    ASSERT_EQ(s.link.Open(), LinkOk);
    ConfigImage buffer{};
    EXPECT_EQ(s.link.ReadImage(buffer), LinkOk);
    EXPECT_EQ(s.link.WriteRange(buffer, 20, 30), LinkOk);  // the bytes it already holds
    s.link.Close();
    struct stat after {};
    ASSERT_EQ(::stat(s.MemoryPath().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

// The box understands the program only when the chip runs at the box's line
// settings; at any other it hears noise.
TEST(SimLibrary, BoxHearsOnlyTheRightLineSettings) {
    struct Case {
        std::uint32_t baud;
        std::uint8_t stopBits;
        std::uint8_t parity;
        bool answered;
    };
    const std::vector<Case> cases = {
        {57600, kFtStopBits2, kFtParityNone, true},
        {9600, kFtStopBits2, kFtParityNone, false},
        {57600, kFtStopBits1, kFtParityNone, false},
        {57600, kFtStopBits2, kFtParityEven, false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        SimLibrary sim(test::ZeroTimeSim(dir / "unit.bin"));
        std::unique_ptr<FtHandle> handle;
        ASSERT_EQ(sim.OpenByDescription(kvd::kDescription, handle), FtStatus::Ok);
        handle->SetBaudRate(c.baud);
        handle->SetDataCharacteristics(kFtBits8, c.stopBits, c.parity);
        const std::string frame = kvd::BuildFrame("O");
        std::uint32_t written = 0;
        handle->Write({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()}, written);
        sim.Clock().SleepFor(std::chrono::milliseconds(20));
        std::uint32_t waiting = 0;
        handle->GetQueueStatus(waiting);
        EXPECT_EQ(waiting, c.answered ? 1u : 0u) << c.baud;
    }
}

TEST(SimLibrary, OpensOnlyByTheBoxsDescriptionAndOnlyOnce) {
    TempDir dir;
    SimLibrary sim(test::ZeroTimeSim(dir / "unit.bin"));
    std::unique_ptr<FtHandle> first;
    std::unique_ptr<FtHandle> second;
    EXPECT_EQ(sim.OpenByDescription("FT232R USB UART", first), FtStatus::DeviceNotFound);
    EXPECT_EQ(sim.OpenByDescription(kvd::kDescription, first), FtStatus::Ok);
    EXPECT_EQ(sim.OpenByDescription(kvd::kDescription, second), FtStatus::DeviceNotFound);
    first.reset();  // a dropped handle closes
    EXPECT_FALSE(sim.IsOpen());
    EXPECT_EQ(sim.OpenByDescription(kvd::kDescription, second), FtStatus::Ok);
}

}  // namespace
}  // namespace qzt
