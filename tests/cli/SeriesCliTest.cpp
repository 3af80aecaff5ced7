#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include "CliTool.h"
#include "config/MemoryMap.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::Tool;
using test::WriteFile;

// Symbolic links and SIGINT are POSIX's.
#ifdef _WIN32
constexpr bool kLinksAndSignals = false;
#else
constexpr bool kLinksAndSignals = true;
#endif

// A ward of simulated units in one folder, connected in the order of their
// names; a symbolic link is a unit connected again, NAME.faults the faults
// of one unit.
struct Ward {
    // A serial number given again is that unit connected once more.
    explicit Ward(Tool& tool, const std::vector<unsigned>& serials,
                  const std::string& name = "ward")
        : t(tool), folder(t.dir / name) {
        std::filesystem::create_directories(folder);
        for (std::size_t i = 0; i < serials.size(); ++i) {
            const auto first = std::find(serials.begin(), serials.end(), serials[i]);
            if (first != serials.begin() + static_cast<std::ptrdiff_t>(i)) {
                const std::size_t k = static_cast<std::size_t>(first - serials.begin());
                std::filesystem::create_symlink(Path(k), Path(i));
                units.push_back(units[k]);
                continue;
            }
            ConfigImage image = BuildSimulatedUnitImage();
            image[kSerialNumberBytes.first] = static_cast<std::uint8_t>(serials[i] >> 16);
            image[kSerialNumberBytes.first + 1] = static_cast<std::uint8_t>(serials[i] >> 8);
            image[kSerialNumberBytes.first + 2] = static_cast<std::uint8_t>(serials[i]);
            StoreChecksum(image);
            units.emplace_back(image.begin(), image.end());
            WriteFile(Path(i), units.back());
        }
    }
    std::string Path(std::size_t i) const { return folder + "/unit-" + std::to_string(i + 1); }
    void Faults(std::size_t i, const std::string& faults) {
        WriteFile(Path(i) + ".faults", faults);
    }

    int Series(const std::string& config, const std::string& plan,
               std::vector<std::string> more = {}) {
        std::vector<std::string> call{"series", config, "--record=" + record,
                                      "--device=sim:" + folder, "--sim-timing=zero"};
        if (!plan.empty()) {
            call.push_back("--plan=" + t.File("plan.csv", plan));
        }
        call.insert(call.end(), more.begin(), more.end());
        return t.Run(call);
    }

    Tool& t;
    const std::string folder;
    const std::string record = t.dir / "record.csv";
    std::vector<std::string> units;  // their memory as it was
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The site's configuration, and a unit it was written to by 'qzt write'.
struct Site {
    explicit Site(Tool& t) {
        config = t.File("site.qzt", test::UnitBytes());
        EXPECT_EQ(t.Run({"set", config, "edtInPassageDelay=30", "cbEnableTimeSchedule=1"}), kExitOk)
            << t.err.str();
        EXPECT_EQ(t.Run(test::OnUnit(t, {"write", config})), kExitOk) << t.err.str();
        written = ReadFile(t.dir / "unit.bin");
    }
    // The unit holds the site's settings (its radio codes, clock and product
    // information are its own) with a valid checksum.
    bool Programmed(const std::string& unit) const {
        const std::size_t first = kRadioCodeBlock.End(), count = kChecksumOffset - first;
        ConfigImage image{};
        std::copy(unit.begin(), unit.begin() + kImageSize, image.begin());
        return unit.substr(first, count) == written.substr(first, count) && ChecksumMatches(image);
    }
    std::string config;
    std::string written;
};

std::string Plan(const std::vector<std::string>& rows) {
    std::string text = "Label,Allow user,Pad on,Pad off,On pad,Out of pad,Technical,Serial\n";
    for (const std::string& row : rows) {
        text += row + "\n";
    }
    return text;
}

// Five units, five beds: each unit ends with the site's configuration and
// its own bed's codes; the bed tied to a serial number gets that unit.
TEST(Series, FiveUnitsEachWithItsOwnCodes) {
    Tool t;
    const Site site(t);
    Ward ward(t, {1001, 1002, 1003, 1004, 1005});
    const std::vector<std::string> beds = {
        "Room 1 bed 1,1101,1102,1103,1104,1105,1106", "Room 1 bed 2,1201,1202,1203,1204,1205,1206",
        "Room 2 bed 1,2101,2102,2103,2104,2105,2106", "Room 2 bed 2,2201,2202,2203,2204,2205,2206",
        "Room 3 bed 1,3101,3102,3103,3104,3105,3106,1002"};
    ASSERT_EQ(ward.Series(site.config, Plan(beds)), kExitOk) << t.err.str();

    // Which bed each unit got: 1002 its own, the others in the plan's order.
    const struct {
        const char* serial;
        const char* label;
        std::string codes;
    } expected[] = {
        {"1001", "Room 1 bed 1", "\x11\x01\x11\x02\x11\x03\x11\x04\x11\x05\x11\x06"},
        {"1002", "Room 3 bed 1", "\x31\x01\x31\x02\x31\x03\x31\x04\x31\x05\x31\x06"},
        {"1003", "Room 1 bed 2", "\x12\x01\x12\x02\x12\x03\x12\x04\x12\x05\x12\x06"},
        {"1004", "Room 2 bed 1", "\x21\x01\x21\x02\x21\x03\x21\x04\x21\x05\x21\x06"},
        {"1005", "Room 2 bed 2", "\x22\x01\x22\x02\x22\x03\x22\x04\x22\x05\x22\x06"},
    };
    const std::vector<std::string> out = Lines(t.out.str());
    const std::vector<std::string> record = Lines(ReadFile(ward.record));
    ASSERT_EQ(out.size(), 6u) << t.out.str();
    ASSERT_EQ(record.size(), 6u) << ReadFile(ward.record);
    EXPECT_EQ(out[5], "Done: 5, failed: 0, skipped: 0, not answering: 0.");
    // Behind a byte-order mark, so a spreadsheet reads the record as UTF-8.
    EXPECT_EQ(record[0],
              "\xEF\xBB\xBFTime,Serial number,Label,Allow user out of pad (bed/chair),Pad "
              "connection (on),"
              "Pad connection (off),On pad (bed/chair),Out of pad (bed/chair),Technical alarms,"
              "Configuration file,Checksum,Result");
    for (std::size_t i = 0; i < 5; ++i) {
        const auto& e = expected[i];
        const std::string unit = ReadFile(ward.Path(i));
        SCOPED_TRACE(e.serial);
        EXPECT_TRUE(site.Programmed(unit));
        EXPECT_EQ(unit.substr(kRadioCodes.first, kRadioCodes.count), e.codes);
        EXPECT_EQ(unit.substr(kProductInformation.first), ward.units[i].substr(240));
        EXPECT_TRUE(out[i].starts_with(std::string(e.serial) + "\t" + e.label + "\tdone\t"))
            << out[i];
        // time, serial, label, six codes, file, checksum, result
        char checksum[3];
        std::snprintf(checksum, sizeof checksum, "%02X",
                      static_cast<unsigned char>(unit[kChecksumOffset]));
        EXPECT_NE(record[i + 1].find("," + std::string(e.serial) + "," + e.label + ","),
                  std::string::npos);
        EXPECT_TRUE(record[i + 1].ends_with("," + site.config + "," + checksum + ",done"))
            << record[i + 1];
    }
}

// What goes wrong with one unit or with the plan: a unit that refuses writes
// is reported and the series goes on; a unit met again is never written
// twice; a plan that is refused touches no unit at all.
TEST(Series, OneUnitsTroubleAndRefusedPlans) {
    if (!kLinksAndSignals) {
        GTEST_SKIP() << "a unit connected again is a symbolic link, which wine lacks";
    }
    const std::vector<std::string> threeBeds = {"Bed 1,1111,1111,1111,1111,1111,1111",
                                                "Bed 2,2222,2222,2222,2222,2222,2222",
                                                "Bed 3,3333,3333,3333,3333,3333,3333"};
    const struct {
        const char* name;
        std::vector<unsigned> serials;
        std::optional<std::size_t> refusing;  // this unit NAKs every write
        std::vector<std::string> plan;
        int code;
        std::vector<std::string> out;  // each line's start
        std::vector<bool> programmed;  // each unit's file afterwards
    } cases[] = {
        {"refusing unit",
         {1, 2, 3, 4},
         1,
         threeBeds,
         kExitDeviceFailed,
         {"1\tBed 1\tdone", "2\tBed 2\tfailed: Error writing to QZT!", "3\tBed 2\tdone",
          "4\tBed 3\tdone", "Done: 3, failed: 1, skipped: 0, not answering: 0."},
         {true, false, true, true}},
        {"failed, then done when connected again",
         {1, 2, 3, 2},
         1,
         threeBeds,
         kExitOk,
         {"1\tBed 1\tdone", "2\tBed 2\tfailed: Error writing to QZT!", "3\tBed 2\tdone",
          "2\tBed 3\tdone", "Done: 3, failed: 0, skipped: 0, not answering: 0."},
         {true, true, true, true}},
        {"same unit twice",
         {1, 2, 1, 3},
         {},
         threeBeds,
         kExitOk,
         {"1\tBed 1\tdone", "2\tBed 2\tdone", "1\t\tskipped: already programmed in this series",
          "3\tBed 3\tdone", "Done: 3, failed: 0, skipped: 1, not answering: 0."},
         {true, true, true, true}},
        {"plan used up",
         {1, 2, 3},
         {},
         {threeBeds[0], threeBeds[1]},
         kExitOk,
         {"1\tBed 1\tdone", "2\tBed 2\tdone", "Done: 2, failed: 0, skipped: 0, not answering: 0."},
         {true, true, false}},
        {"shared code",
         {1, 2},
         {},
         {threeBeds[0], "Bed 2,2222,2222,1111,2222,2222,2222"},
         kExitInvalidData,
         {},
         {false, false}},
        {"bad row",
         {1, 2},
         {},
         {threeBeds[0], "Bed 2,2222,2222"},
         kExitInvalidData,
         {},
         {false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Tool t;
        const Site site(t);
        Ward ward(t, c.serials);
        if (c.refusing) {
            ward.Faults(*c.refusing, "nak-writes\n");
        }
        EXPECT_EQ(ward.Series(site.config, Plan(c.plan)), c.code) << t.err.str();
        const std::vector<std::string> out = Lines(t.out.str());
        ASSERT_EQ(out.size(), c.out.size()) << t.out.str();
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_TRUE(out[i].starts_with(c.out[i])) << out[i];
        }
        for (std::size_t i = 0; i < c.serials.size(); ++i) {
            const std::string unit = ReadFile(ward.Path(i));
            EXPECT_EQ(site.Programmed(unit), c.programmed[i]) << i;
            if (!c.programmed[i]) {
                EXPECT_EQ(unit, ward.units[i]) << i;  // untouched
            }
        }
        // The record: one row a unit attempted, under its header; none for
        // a refused plan.
        const std::size_t skipped = c.name == std::string("same unit twice") ? 1 : 0;
        if (c.code == kExitInvalidData) {
            EXPECT_FALSE(std::filesystem::exists(ward.record));
        } else {
            EXPECT_EQ(Lines(ReadFile(ward.record)).size(), out.size() - skipped);
        }
        // Each unit attempted once at most, and written only then: one Write
        // to device in the history for each unit reported (none when the
        // plan was refused).
        const std::string history = test::HistoryText(t);
        for (unsigned serial : std::set<unsigned>(c.serials.begin(), c.serials.end())) {
            const std::string line = ",Write to device," + std::to_string(serial) + ",";
            std::size_t writes = 0;
            for (auto at = history.find(line); at != std::string::npos;
                 at = history.find(line, at + 1)) {
                ++writes;
            }
            // The unit's lines with (or without) a result.
            auto lines = [&](const char* result, bool with) {
                return std::count_if(out.begin(), out.end(), [&](const std::string& l) {
                    return l.starts_with(std::to_string(serial) + "\t") &&
                           (l.find(result) != std::string::npos) == with;
                });
            };
            const auto attempted = lines("\tskipped: ", false);
            // Once, or once more after each failure.
            EXPECT_LE(attempted, 1 + lines("\tfailed: ", true));
            EXPECT_EQ(writes, static_cast<std::size_t>(attempted)) << serial << "\n" << history;
        }
    }
}

// Ctrl+C: the series ends between two units with its summary; every unit is
// either wholly programmed or untouched.
TEST(Series, CtrlCStopsBetweenUnits) {
    if (!kLinksAndSignals) {
        GTEST_SKIP() << "Ctrl+C is a console event on Windows, not a signal to raise";
    }
    Tool t;
    const Site site(t);
    Ward ward(t, {7, 8, 9});
    std::thread interrupt([&ward] {
        // Once two units are on record (or after 30 s, whatever happened).
        for (int wait = 0; wait < 30000; ++wait) {
            if (Lines(ReadFile(ward.record)).size() >= 3) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::raise(SIGINT);
    });
    const int code = ward.Series(site.config, "");
    interrupt.join();
    EXPECT_EQ(code, kExitOk) << t.err.str();
    // Heard at once, and said once.
    const std::string stopping = "Stopping after this unit...";
    EXPECT_NE(t.err.str().find(stopping), std::string::npos) << t.err.str();
    EXPECT_EQ(t.err.str().find(stopping), t.err.str().rfind(stopping));
    const std::vector<std::string> out = Lines(t.out.str());
    ASSERT_GE(out.size(), 3u);
    const std::size_t done = out.size() - 1;
    EXPECT_EQ(out.back(),
              "Done: " + std::to_string(done) + ", failed: 0, skipped: 0, not answering: 0.");
    EXPECT_EQ(Lines(ReadFile(ward.record)).size(), done + 1);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string unit = ReadFile(ward.Path(i));
        EXPECT_EQ(site.Programmed(unit), i < done) << i;
        // Without a plan the unit keeps its codes.
        EXPECT_EQ(unit.substr(0, kRadioCodeBlock.End()),
                  ward.units[i].substr(0, kRadioCodeBlock.End()));
    }
}

// No box: the series says so once, however long it waits, and Ctrl+C ends
// it with nothing attempted.
TEST(Series, WaitsForTheBoxSayingSoOnce) {
    if (!kLinksAndSignals) {
        GTEST_SKIP() << "Ctrl+C is a console event on Windows, not a signal to raise";
    }
    Tool t;
    const Site site(t);
    Ward ward(t, {1});
    std::thread interrupt([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::raise(SIGINT);
    });
    const int code = t.Run({"series", site.config, "--device=sim:" + ward.folder,
                            "--sim-timing=zero", "--sim-faults=no-box"});
    interrupt.join();
    // No box at all until stopped: no connection.
    EXPECT_EQ(code, kExitNoConnection);
    EXPECT_EQ(t.out.str(), "Done: 0, failed: 0, skipped: 0, not answering: 0.\n");
    const std::string err = t.err.str();
    const std::string waiting = "Waiting for the KVD box...\n";
    EXPECT_NE(err.find(waiting), std::string::npos) << err;
    EXPECT_EQ(err.find(waiting), err.rfind(waiting)) << err;
    EXPECT_EQ(ReadFile(ward.Path(0)), ward.units[0]);

    // A plan that cannot be read is a file that could not be read.
    EXPECT_EQ(t.Run({"series", site.config, "--plan=" + (t.dir / "missing.csv"),
                     "--device=sim:" + ward.folder, "--sim-timing=zero"}),
              kExitFailed);
    EXPECT_NE(t.err.str().find("missing.csv cannot be read.\n"), std::string::npos) << t.err.str();
    EXPECT_NE(t.err.str().find("No such file"), std::string::npos) << t.err.str();
}

// What the console adds before a series starts: a bed to give again that
// the plan lacks is a usage error; a refused plan says why and nothing of its
// reserved codes. (Resuming from the record is the engine's, tested there.)
TEST(Series, RedoAndRefusedPlanOnTheConsole) {
    Tool t;
    const Site site(t);
    EXPECT_EQ(
        Ward(t, {8}, "redo")
            .Series(site.config, Plan({"Bed 1,1111,1111,1111,1111,1111,1111"}), {"--redo=Bed 9"}),
        kExitUsage);
    EXPECT_NE(t.err.str().find("No row of the plan has the label \"Bed 9\"."), std::string::npos);
    EXPECT_EQ(Ward(t, {8}, "refused")
                  .Series(site.config, Plan({"Bed 1,0000,1111,1111,1111,1111,1111",
                                             "Bed 2,2222,2222,2222,2222,2222,1111"})),
              kExitInvalidData);
    EXPECT_NE(t.err.str().find("is also in row 2"), std::string::npos) << t.err.str();
    EXPECT_EQ(t.err.str().find("'0000'"), std::string::npos) << t.err.str();
}

}  // namespace
}  // namespace qzt
