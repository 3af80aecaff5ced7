// The simulated box with a folder of units: a technician connects one unit
// after another while the program polls the box and programs each new one.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SimLink.h"
#include "device/Backends.h"
#include "device/DeviceChoice.h"
#include "device/DeviceDiscovery.h"
#include "device/sim/KvdBox.h"
#include "text/Text.h"

namespace qzt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A fresh unit's file with its serial number, and `changes` made to it.
std::string Unit(std::uint32_t serial, std::vector<std::pair<int, std::uint8_t>> changes = {}) {
    ConfigImage unit = BuildSimulatedUnitImage();
    unit[253] = static_cast<std::uint8_t>(serial >> 16);
    unit[254] = static_cast<std::uint8_t>(serial >> 8);
    unit[255] = static_cast<std::uint8_t>(serial);
    StoreChecksum(unit);
    for (const auto& [at, value] : changes) {
        unit[at] = value;
    }
    return std::string(unit.begin(), unit.end());
}

// One poll of the program: the serial number the box shows, 0 for no unit
// (then the box still answers its information request).
std::uint32_t Poll(TUsbInterface& link) {
    EXPECT_EQ(link.Open(), LinkOk);
    ConfigImage read{};
    const bool unit = link.CheckConnection() == LinkOk;
    EXPECT_EQ(link.ReadRange(read, 240, 255), unit ? LinkOk : LinkReadError);
    if (!unit) {
        EXPECT_EQ(link.ReadInterfaceInfo(), std::string(KvdBox::kInfoText));
    }
    link.Close();
    return (read[253] << 16) | (read[254] << 8) | read[255];
}

TEST(SimQueue, HandsTheProgramOneUnitAfterAnother) {
#ifdef _WIN32
    GTEST_SKIP() << "a unit connected again is a symbolic link, which wine lacks";
#endif
    TempDir dir;
    const std::string ward = dir / "ward";
    // Byte order of the names, whatever the locale: upper case first, "10"
    // before "9".
    const std::string first = ward + "/Ward-A.bin";
    const std::string broken = ward + "/unit-10.bin";
    const std::string second = ward + "/unit-9.bin";
    const std::string again = ward + "/zz-again.bin";
    const std::string tail(kImageBufferSize - kImageSize, '\xFF');
    test::WriteFile(first, Unit(111111));
    test::WriteFile(broken, std::string(100, '\x11'));
    test::WriteFile(second, Unit(222222) + tail);
    fs::create_symlink("Ward-A.bin", again);
    test::WriteFile(ward + "/.hidden.bin", Unit(999999));
    const auto backend = MakeBackend(ParseDeviceOptions(
        {"--device=sim:" + ward, "--sim-timing=zero", "--sim-faults=nak-writes@30"}, nullptr));
    const auto sim = std::dynamic_pointer_cast<SimLibrary>(backend);
    ASSERT_TRUE(sim);
    TUsbInterface link(backend);

    constexpr int kPoll = -1;
    struct Session {
        int write;             // kPoll, or the byte written (value 0xC0 + the row)
        std::uint32_t serial;  // a poll's serial number, 0 no unit
        std::size_t taken;     // UnitsTaken() afterwards
    };
    const std::vector<Session> sessions = {
        {kPoll, 111111, 0},  // a new unit: noticed, not taken away
        {20, 0, 0},          // programmed
        {kPoll, 111111, 1},  // looked at again without writing: taken away
        {kPoll, 222222, 2},  // the broken unit was skipped
        {30, 0, 2},          // refused (nak-writes@30), but still a write
        {22, 0, 2},          // programmed
        {kPoll, 222222, 3},  // taken away
        {kPoll, 111111, 3},  // the first unit again, through the link
        {21, 0, 3},          // programmed
        {kPoll, 111111, 4},  // taken away
        {kPoll, 0, 4},       // the queue is done: no unit,
        {kPoll, 0, 4},       // for good
    };
    for (std::size_t row = 0; row < sessions.size(); ++row) {
        const Session& s = sessions[row];
        if (s.write == kPoll) {
            EXPECT_EQ(Poll(link), s.serial) << "row " << row;
        } else {
            ASSERT_EQ(link.Open(), LinkOk);
            ConfigImage image{};
            image[s.write] = static_cast<std::uint8_t>(0xC0 + row);
            EXPECT_EQ(link.WriteRange(image, s.write, s.write),
                      s.write == 30 ? LinkWriteError : LinkOk)
                << "row " << row;
            link.Close();
        }
        EXPECT_EQ(sim->UnitsTaken(), s.taken) << "row " << row;
    }
    EXPECT_EQ(sim->Units(), (std::vector<std::string>{first, broken, second, again}));
    EXPECT_EQ(sim->Traffic().opens, sessions.size());

    // Each unit's bytes are in its own file; the write through the link
    // kept what the first unit was given before.
    EXPECT_EQ(test::ReadFile(first), Unit(111111, {{20, 0xC1}, {21, 0xC8}}));
    EXPECT_EQ(test::ReadFile(second), Unit(222222, {{22, 0xC5}}) + tail);
    EXPECT_TRUE(fs::is_symlink(again));
}

// Looking at an empty folder writes nothing; the box's first open fills it
// with five fresh units, which come one after another.
TEST(SimQueue, AFolderWithoutUnitsGetsFiveFreshOnes) {
    TempDir dir;
    const std::string ward = dir / "ward";
    test::WriteFile(ward + "/.notes", "not a unit");
    const DeviceOptions options =
        ParseDeviceOptions({"--device=sim:" + ward, "--sim-timing=zero"}, nullptr).value();
    const FoundDevice listed = FindDevices(options).back();
    EXPECT_EQ(listed.place + " | " + listed.description + " | " + listed.problem,
              ward + " | " + TextF(txt::SimQueueToFill, 5) + " | ");
    EXPECT_EQ(ListSimUnitFiles(ward)->size(), 0u);

    const auto sim = std::make_shared<SimLibrary>(ParseSimSettings(options).value());
    TUsbInterface link(sim);
    for (std::uint32_t serial = 123401; serial <= 123405; ++serial) {
        EXPECT_EQ(Poll(link), serial);
        EXPECT_EQ(Poll(link), serial);
        const std::string file = ward + "/unit-" + std::to_string(serial - 123400) + ".bin";
        EXPECT_EQ(test::ReadFile(file), Unit(serial));
    }
    EXPECT_EQ(Poll(link), 0u);
    EXPECT_EQ(FindDevices(options).back().description, TextF(txt::SimQueueUnits, 5));
}

}  // namespace
}  // namespace qzt
