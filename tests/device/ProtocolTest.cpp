// The box's commands on the link: connection check, information text, and
// range reads and writes with their block cut, retries and result codes,
// against the simulated box and unit in zero time.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimLink.h"
#include "device/sim/KvdBox.h"

namespace qzt {
namespace {

using test::SimLink;

ConfigImage Pattern() {
    ConfigImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return image;
}

bool SameBytes(const ConfigImage& a, const ConfigImage& b, unsigned first, unsigned last) {
    return std::equal(a.begin() + first, a.begin() + last + 1, b.begin() + first);
}

TEST(Protocol, CheckConnection) {
    struct Case {
        const char* faults;
        std::vector<std::string> script;
        LinkResult result;
    };
    const std::vector<Case> cases = {
        {"", {}, LinkOk},
        {"no-unit", {}, LinkNoAnswer},
        {"", {"\x15"}, LinkNoAnswer},       // NAK
        {"", {"\x07"}, LinkNoAnswer},       // another byte
        {"", {"\x06\x06"}, LinkNoAnswer},   // more than the one byte
        {"stray-bytes", {}, LinkNoAnswer},  // noise before the ACK
        {"no-unit:1", {}, LinkNoAnswer},    // only the first check goes unanswered
    };
    for (const Case& c : cases) {
        SimLink s(c.faults);
        ASSERT_EQ(s.link.Open(), LinkOk) << c.faults;
        s.sim->ScriptReplies(c.script);
        EXPECT_EQ(s.link.CheckConnection(), c.result) << c.faults;
    }
    SimLink once("no-unit:1");
    ASSERT_EQ(once.link.Open(), LinkOk);
    EXPECT_EQ(once.link.CheckConnection(), LinkNoAnswer);
    EXPECT_EQ(once.link.CheckConnection(), LinkOk);
}

TEST(Protocol, ReadInterfaceInfo) {
    struct Case {
        std::vector<std::string> script;
        std::optional<std::string> text;  // nothing: no answer
    };
    const std::vector<Case> cases = {
        {{}, std::string(KvdBox::kInfoText)},
        {{kvd::BuildFrame("KVD-USB 1.")}, std::nullopt},
        {{kvd::BuildFrame("KVD-USB 1.4X")}, std::nullopt},
        {{""}, std::nullopt},
    };
    for (const Case& c : cases) {
        SimLink s("no-unit");  // the box answers "v" itself
        ASSERT_EQ(s.link.Open(), LinkOk);
        s.sim->ScriptReplies(c.script);
        EXPECT_EQ(s.link.ReadInterfaceInfo(), c.text);
    }
    // Without a box the link stays closed and nothing is answered.
    SimLink absent("no-box");
    EXPECT_EQ(absent.link.Open(), LinkNotFound);
    EXPECT_EQ(absent.link.ReadInterfaceInfo(), std::nullopt);
}

TEST(Protocol, RangesAreCutIntoBlocksOfSixteenFromTheFirstAddress) {
    struct Case {
        bool write;
        unsigned first;
        unsigned last;
        std::vector<std::string> commands;
    };
    std::vector<std::string> writeBody;
    for (unsigned a = 14; a < 222; a += 16) {
        char text[8];
        std::snprintf(text, sizeof text, "W%04X10", a);
        writeBody.push_back(text);
    }
    writeBody.push_back("W00DE03");
    std::vector<std::string> wholeImage;
    for (unsigned a = 0; a < 256; a += 16) {
        char text[8];
        std::snprintf(text, sizeof text, "R%04X10", a);
        wholeImage.push_back(text);
    }
    const std::vector<Case> cases = {
        {true, 14, 224, writeBody},
        {false, 0, 255, wholeImage},
        {true, 231, 237, {"W00E707"}},
        {false, 240, 240, {"R00F001"}},
        {true, 224, 224, {"W00E001"}},
        {false, 0, 13, {"R00000E"}},
        {true, 5, 4, {}},
        {false, 200, 100, {}},
    };
    for (const Case& c : cases) {
        SimLink s;
        ASSERT_EQ(s.link.Open(), LinkOk);
        const ConfigImage image = Pattern();
        ConfigImage buffer{};
        const LinkResult result = c.write ? s.link.WriteRange(image, c.first, c.last)
                                          : s.link.ReadRange(buffer, c.first, c.last);
        EXPECT_EQ(result, LinkOk) << c.first << ".." << c.last;
        EXPECT_EQ(s.Commands(), c.commands) << c.first << ".." << c.last;
    }
    EXPECT_EQ(writeBody.size(), 14u);
}

TEST(Protocol, RangesBeyondTheMemorySendNothing) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    ConfigImage buffer{};
    EXPECT_EQ(s.link.ReadRange(buffer, 250, 256), LinkReadError);
    EXPECT_EQ(s.link.WriteRange(buffer, 0, 300), LinkWriteError);
    EXPECT_TRUE(s.sim->Traffic().frames.empty());
}

// Write retries: only a NAK on the third try fails a block, and a failed or
// unanswered block never stops the range.
TEST(Protocol, WriteRetries) {
    struct Case {
        const char* faults;
        LinkResult result;
        std::size_t frames;       // write frames sent for 14..224
        unsigned unwrittenFirst;  // block left as it was (first > last: none)
        unsigned unwrittenLast;
    };
    const std::vector<Case> cases = {
        {"", LinkOk, 14, 1, 0},
        {"nak-writes:2", LinkOk, 16, 1, 0},            // NAK, NAK, ACK
        {"nak-writes:3", LinkWriteError, 16, 14, 29},  // refused three times
        {"silent-writes:2", LinkOk, 16, 1, 0},
        {"silent-writes:3", LinkOk, 16, 14, 29},          // never answered: not reported
        {"nak-writes@100", LinkWriteError, 16, 94, 109},  // only the block holding 100
        {"silent-writes@222", LinkOk, 16, 222, 224},
    };
    for (const Case& c : cases) {
        SimLink s(c.faults);
        ASSERT_EQ(s.link.Open(), LinkOk);
        const ConfigImage image = Pattern();
        EXPECT_EQ(s.link.WriteRange(image, 14, 224), c.result) << c.faults;
        EXPECT_EQ(s.sim->Traffic().frames.size(), c.frames) << c.faults;
        s.link.Close();

        const ConfigImage before = BuildSimulatedUnitImage();
        const ConfigImage after = s.FileMemory();
        for (unsigned i = 14; i <= 224; ++i) {
            const bool unwritten = i >= c.unwrittenFirst && i <= c.unwrittenLast;
            EXPECT_EQ(after[i], unwritten ? before[i] : image[i]) << c.faults << " byte " << i;
        }
        EXPECT_TRUE(SameBytes(after, before, 0, 13)) << c.faults;
        EXPECT_TRUE(SameBytes(after, before, 225, 255)) << c.faults;
    }
}

// Read retries: a block counts as read only when a valid frame of exactly
// twice its count of upper-case hexadecimal digits came back; after three
// tries without one the range fails. A retry makes the range one to confirm:
// read again on a quiet line, it is taken when the reads agree, and nothing
// of a range that failed reaches the buffer.
TEST(Protocol, ReadRetries) {
    const std::string wrongLength = kvd::BuildFrame("00");
    const std::string lowerCase = kvd::BuildFrame(std::string(30, '0') + "ab");
    std::string lowerChecksum = kvd::BuildFrame(std::string(30, '0') + "4F");  // checksum 1A
    lowerChecksum[lowerChecksum.size() - 2] = 'a';
    struct Case {
        const char* faults;
        std::vector<std::string> script;
        LinkResult result;
        std::size_t frames;
    };
    const std::vector<Case> cases = {
        {"", {}, LinkOk, 16},
        {"silent-reads:2", {}, LinkOk, 18 + 16},
        {"silent-reads:3", {}, LinkReadError, 18},
        {"corrupt-reads:2", {}, LinkOk, 18 + 16},
        {"corrupt-reads:3", {}, LinkReadError, 18},
        {"", {"\x15", "\x15", "\x15"}, LinkReadError, 18},
        {"", {wrongLength, wrongLength}, LinkOk, 18 + 16},
        {"", {wrongLength, wrongLength, wrongLength}, LinkReadError, 18},
        {"", {"\x06", "\x06", "\x06"}, LinkReadError, 18},
        {"", {lowerCase}, LinkOk, 17 + 16},
        {"", {lowerChecksum}, LinkOk, 17 + 16},
        // The last block retried: only it is read again.
        {"silent-reads@250:1", {}, LinkOk, 17 + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.faults << " script " << c.script.size());
        SimLink s(c.faults);
        ASSERT_EQ(s.link.Open(), LinkOk);
        s.sim->ScriptReplies(c.script);
        ConfigImage buffer;
        buffer.fill(0xEE);
        EXPECT_EQ(s.link.ReadImage(buffer), c.result);
        EXPECT_EQ(s.sim->Traffic().frames.size(), c.frames);
        ConfigImage untouched;
        untouched.fill(0xEE);
        EXPECT_EQ(buffer, c.result == LinkOk ? BuildSimulatedUnitImage() : untouched);
    }
}

TEST(Protocol, WrittenImageReadsBackAndReachesTheFile) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    ConfigImage image = BuildSimulatedUnitImage();
    for (unsigned i = 14; i <= 223; ++i) {
        image[i] = static_cast<std::uint8_t>(255 - i);
    }
    image[231] = 26;
    StoreChecksum(image);
    EXPECT_EQ(s.link.WriteRange(image, 14, 224), LinkOk);
    EXPECT_EQ(s.link.WriteRange(image, 231, 237), LinkOk);
    ConfigImage readBack{};
    EXPECT_EQ(s.link.ReadImage(readBack), LinkOk);
    EXPECT_EQ(readBack, image);
    s.link.Close();
    EXPECT_EQ(s.FileMemory(), image);
}

// The unit's product information is programmed at the factory: a write there
// is acknowledged but changes nothing, and shows up in the read-back.
TEST(Protocol, ProductInformationCannotBeOverwritten) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    ConfigImage image{};
    EXPECT_EQ(s.link.WriteRange(image, 240, 255), LinkOk);
    ConfigImage readBack{};
    EXPECT_EQ(s.link.ReadImage(readBack), LinkOk);
    EXPECT_TRUE(SameBytes(readBack, BuildSimulatedUnitImage(), 240, 255));
}

TEST(Protocol, WrongProductAndStrayBytes) {
    SimLink wrong("wrong-product");
    ASSERT_EQ(wrong.link.Open(), LinkOk);
    ConfigImage buffer{};
    EXPECT_EQ(wrong.link.ReadImage(buffer), LinkOk);
    EXPECT_EQ(buffer[kProductTypeOffset], 0x47);
    wrong.link.Close();
    EXPECT_EQ(wrong.FileMemory()[kProductTypeOffset], kQztProductType);

    SimLink noisy("stray-bytes");
    ASSERT_EQ(noisy.link.Open(), LinkOk);
    EXPECT_EQ(noisy.link.ReadRange(buffer, 240, 255), LinkReadError);
    EXPECT_EQ(noisy.link.WriteRange(buffer, 14, 20), LinkOk);  // never a clean NAK either
}

TEST(Protocol, ProgressIsReportedAfterEveryBlock) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    s.link.SetProgressHandler(
        [&](std::size_t block, std::size_t blocks) { calls.emplace_back(block, blocks); });
    ConfigImage buffer{};
    EXPECT_EQ(s.link.ReadImage(buffer), LinkOk);
    ASSERT_EQ(calls.size(), 16u);
    EXPECT_EQ(calls.front(), std::make_pair(std::size_t{1}, std::size_t{16}));
    EXPECT_EQ(calls.back(), std::make_pair(std::size_t{16}, std::size_t{16}));
    calls.clear();
    EXPECT_EQ(s.link.WriteRange(buffer, 231, 237), LinkOk);
    EXPECT_EQ(calls, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 1}}));
}

// On the modelled line (1 ms chip latency) the link's sleeps between looks at
// the queue keep a whole-image read within 10 % of what the line allows.
TEST(Protocol, ReadImageStaysCloseToTheLinesLowerBound) {
    SimLink s;
    ASSERT_EQ(s.link.Open(), LinkOk);
    s.sim->ClearTraffic();
    const auto start = s.sim->Clock().Now();
    ConfigImage buffer{};
    EXPECT_EQ(s.link.ReadImage(buffer), LinkOk);
    const auto elapsed = s.sim->Clock().Now() - start;
    EXPECT_LE(static_cast<double>(elapsed.count()),
              1.10 * static_cast<double>(s.sim->LineLowerBound().count()));
}

}  // namespace
}  // namespace qzt

namespace qzt {
namespace {

// What real boxes do: replies that come late, in pieces, behind stray bytes
// or near the end of the wait, and a box pulled out mid-range. Whatever
// happens, a block holds either the unit's own bytes or what it held before
// the read: a reply is never taken for another exchange's. The same runs at
// the chip's lowered and its power-on latency.
TEST(Protocol, RudeBoxesNeverShiftABlock) {
    struct Case {
        const char* faults;
        LinkResult result;
        unsigned unreadFirst;  // blocks left as they were (first > last: none)
        unsigned unreadLast;
        bool gone;
    };
    const std::vector<Case> cases = {
        {"late-replies@64:1=260", LinkOk, 1, 0, false},
        {"late-replies@64:2=340", LinkOk, 1, 0, false},
        // Blocks read after a failure are never confirmed: none reach the buffer.
        {"late-replies@64=300", LinkReadError, 64, 255, false},
        {"late-replies:2", LinkOk, 1, 0, false},
        {"split-replies", LinkOk, 1, 0, false},
        {"split-replies=200", LinkOk, 1, 0, false},
        {"garbage-before:2", LinkOk, 1, 0, false},
        {"garbage-before@32", LinkReadError, 32, 255, false},
        {"slow-box", LinkOk, 1, 0, false},
        {"slow-box,late-replies@200:1", LinkOk, 1, 0, false},
        // Later than any settle: the stale reply lands in a later block's
        // exchange, and the confirming read finds it out.
        {"late-replies@0:1=450", LinkOk, 1, 0, false},
        {"late-replies@48:1=700", LinkOk, 1, 0, false},
        // A box stalled for three seconds answers no try of the block in time.
        {"late-replies@128:1=3000", LinkReadError, 128, 255, false},
        {"late-replies@16:1=450,late-replies@200:1=700", LinkOk, 1, 0, false},
        {"late-replies:3=450", LinkOk, 1, 0, false},
        {"unplug@100", LinkReadError, 96, 255, true},
        {"unplug=1", LinkReadError, 0, 255, true},
    };
    for (const char* latency : {"", ",latency-refused"}) {
        for (const Case& c : cases) {
            const std::string faults = std::string(c.faults) + latency;
            SCOPED_TRACE(faults);
            SimLink s(faults);
            ASSERT_EQ(s.link.Open(), LinkOk);
            ConfigImage buffer;
            buffer.fill(0xEE);
            EXPECT_EQ(s.link.ReadImage(buffer), c.result);
            EXPECT_EQ(s.link.IsGone(), c.gone);
            ConfigImage untouched;
            untouched.fill(0xEE);
            const ConfigImage unit = BuildSimulatedUnitImage();
            for (unsigned i = 0; i < kvd::kMemorySize; ++i) {
                const bool unread = i >= c.unreadFirst && i <= c.unreadLast;
                ASSERT_EQ(buffer[i], unread ? untouched[i] : unit[i]) << "byte " << i;
            }
            if (c.gone) {
                // Nothing goes out after the box went: the rest fails at once.
                const std::size_t frames = s.sim->Traffic().frames.size();
                EXPECT_EQ(s.link.CheckConnection(), LinkNoAnswer);
                EXPECT_EQ(s.link.WriteRange(unit, 14, 224), LinkWriteError);
                EXPECT_EQ(s.sim->Traffic().frames.size(), frames);
                s.link.Close();
                EXPECT_EQ(s.link.Open(), LinkNotFound);
            }
        }
    }
}

// A late ACK is never taken for the next block's answer either: a block
// whose tries all went unanswered in time stays unwritten, and the next
// block is written by its own ACK.
TEST(Protocol, LateAcknowledgementsStayWithTheirBlock) {
    SimLink s("late-replies@20:3=300");
    ASSERT_EQ(s.link.Open(), LinkOk);
    const ConfigImage image = Pattern();
    EXPECT_EQ(s.link.WriteRange(image, 14, 61), LinkOk);  // unanswered is not reported here
    ConfigImage readBack{};
    EXPECT_EQ(s.link.ReadImage(readBack), LinkOk);
    // The box did write the late block (it acted, then answered late).
    EXPECT_TRUE(SameBytes(readBack, image, 14, 61));
    // After the unanswered tries every read is confirmed: 16 blocks twice.
    EXPECT_EQ(s.sim->Traffic().frames.size(), 3u + 2u + 16u + 16u);
}

}  // namespace
}  // namespace qzt
