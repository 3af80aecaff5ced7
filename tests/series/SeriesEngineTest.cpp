// The series engine as a technician uses it, on a simulated ward in zero
// time: thousands of random schedules of units connected, taken away,
// swapped while one is being programmed, installed units connected again,
// the series stopped and started again from its record, and units that do
// not answer, refuse writes or answer late. After each schedule what the
// units hold is checked against what the record says.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>

#include "ScriptedUserInterface.h"
#include "StartedState.h"
#include "TempDir.h"
#include "config/DefaultImage.h"
#include "config/MemoryMap.h"
#include "device/sim/SimBackend.h"
#include "device/sim/SimUnitFile.h"
#include "series/Csv.h"
#include "series/SeriesEngine.h"
#include "text/HexText.h"

namespace qzt {
namespace {

using test::ReadFile;
using test::WriteFile;

constexpr std::size_t kUnits = 6;
constexpr std::size_t kBeds = 4;

// Each unit's own faults, drawn per schedule: most units behave.
const char* const kUnitFaults[] = {
    "",
    "",
    "",
    "",
    "silent-reads",         // never answers a read
    "nak-writes",           // refuses every write
    "nak-writes@2:1",       // refuses its first codes write after each open
    "lost-acks@2",          // takes its codes, but their ACKs never come
    "silent-writes@224:1",  // its checksum's block unanswered once after each open
    "late-replies:1=300",   // its first answer after each open comes too late
    "flaky",                // a fault of kSessionFaults, another each session
};

// The faults of a flaky unit, one drawn for each session: a session can go
// wrong halfway (the codes written, their checksum refused).
const char* const kSessionFaults[] = {
    "", "", "nak-writes@224", "silent-writes@224", "silent-reads@0", "corrupt-reads@240",
};

std::string SerialOf(std::size_t unit) {
    return std::to_string(200001 + unit);
}

UserInterface::RadioCodes BedCodes(std::size_t bed) {
    UserInterface::RadioCodes codes;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%04zX", 0x1000 + 0x10 * bed + i);
        codes[i] = text;
    }
    return codes;
}

// One ward, one plan, one record; the technician's hand is the random
// generator.
struct Ward {
    explicit Ward(unsigned seed) : random(seed) {
        test::StartOnTempFolders(state, dir / "data/", ui);

        std::string plan =
            "Room,Serial number,Label,Technical,Out of pad,On pad,Pad off,Pad on,"
            "Allow user\n";
        for (std::size_t bed = 0; bed < kBeds; ++bed) {
            const auto codes = BedCodes(bed);
            // Labels a spreadsheet would take for formulas: the record
            // escapes them, and must still know them when read back.
            plan += "R" + std::to_string(bed) + ",," + std::string(1, "=+-@"[bed]) + "Bed " +
                    std::to_string(bed + 1);
            for (std::size_t i = codes.size(); i-- > 0;) {
                plan += "," + codes[i];
            }
            plan += "\n";
        }
        planPath = WriteFile(dir / "plan.csv", plan);
        recordPath = dir / "record.csv";

        std::filesystem::create_directories(dir / "ward");
        for (std::size_t unit = 0; unit < kUnits; ++unit) {
            ConfigImage image = BuildSimulatedUnitImage();
            const unsigned serial = static_cast<unsigned>(std::stoul(SerialOf(unit)));
            for (std::size_t i = 0; i < kSerialNumberBytes.count; ++i) {
                image[kSerialNumberBytes.first + i] =
                    static_cast<std::uint8_t>(serial >> (8 * (kSerialNumberBytes.count - 1 - i)));
            }
            // Codes of its own, none of the plan's.
            for (std::size_t i = 0; i < kRadioCodes.count; ++i) {
                image[kRadioCodes.first + i] = static_cast<std::uint8_t>(0xA0 + unit);
            }
            StoreChecksum(image);
            paths.push_back(dir / ("ward/unit-" + std::to_string(unit)));
            WriteFile(paths.back(), std::string(image.begin(), image.end()));
            before.push_back(image);
            const char* faults = kUnitFaults[Draw(std::size(kUnitFaults))];
            faultsOf.push_back(faults);
            silent.push_back(std::string(faults) == "silent-reads");
            if (*faults != '\0' && std::string(faults) != "flaky") {
                WriteFile(paths.back() + ".faults", faults);
            }
        }
        SimSettings settings;
        settings.path = dir / "ward";
        settings.zeroTime = true;
        sim = std::make_shared<SimLibrary>(settings);
        // The unit behind the box at each open: the one connected, or, while
        // a unit is being programmed, now and then another one swapped in.
        sim->ChooseUnitsWith([this]() -> std::optional<std::string> {
            if (opensThisStep++ > 0 && Draw(100) < swapPercent) {
                connected = Draw(kUnits + 1);
            }
            if (opensThisStep == 1) {
                lookedAt = connected;
            }
            if (connected < kUnits && faultsOf[connected] == "flaky") {
                WriteFile(paths[connected] + ".faults",
                          kSessionFaults[Draw(std::size(kSessionFaults))]);
            }
            return connected < kUnits ? std::optional(paths[connected]) : std::nullopt;
        });
        link = std::make_unique<TUsbInterface>(sim);
    }

    std::size_t Draw(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    }

    // Starts (or starts again) from the record, as Start or a new `qzt
    // series` does.
    void Start() {
        engine.reset();
        Result<SeriesSetup, SeriesRefusal> setup =
            PrepareSeries(state, ui, "site.Qzt", planPath, recordPath, {});
        ASSERT_TRUE(setup) << (ui.boxes.empty() ? "" : ui.boxes.back().text) << ReadFile(planPath);
        engine = std::make_unique<SeriesEngine>(std::move(*setup), *link, events);
    }

    void Step() {
        opensThisStep = 0;
        lookedAt = kUnits;
        reportsThisStep.clear();
        if (auto report = engine->Step()) {
            EXPECT_TRUE(report->recordProblem.empty()) << report->recordProblem;
            reportsThisStep.push_back(*report);
            reports.push_back(*report);
        }
    }

    ConfigImage Memory(std::size_t unit) const { return SimUnitFile::Load(paths[unit])->Memory(); }

    test::TempDir dir;
    std::mt19937 random;
    ProgramState state;
    test::ScriptedUserInterface ui;
    QuietSeriesEvents events{ui};
    std::string planPath, recordPath;
    std::vector<std::string> paths;
    std::vector<ConfigImage> before;
    std::vector<bool> silent;
    std::vector<std::string> faultsOf;
    std::shared_ptr<SimLibrary> sim;
    std::unique_ptr<TUsbInterface> link;
    std::unique_ptr<SeriesEngine> engine;
    std::size_t connected = kUnits;  // kUnits: none
    std::size_t lookedAt = kUnits;   // the unit at this step's look
    std::size_t swapPercent = 10;
    unsigned opensThisStep = 0;
    std::vector<UnitReport> reportsThisStep;
    std::vector<UnitReport> reports;
};

// The record's rows: each done row's unit holds exactly its codes and
// checksum; no row is done by two units; no two units hold one bed's codes.
void CheckRecordAgainstUnits(Ward& w, const std::string& trace) {
    SCOPED_TRACE(trace);
    std::map<std::string, std::size_t> unitOf;
    for (std::size_t unit = 0; unit < kUnits; ++unit) {
        unitOf[SerialOf(unit)] = unit;
    }
    const auto lines = SplitCsv(WithoutByteOrderMark(ReadFile(w.recordPath)), ',');
    ASSERT_FALSE(lines.empty());
    std::map<std::string, std::set<std::string>> unitsOfBed;
    std::optional<ConfigImage> settings;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string>& row = lines[i];
        ASSERT_GE(row.size(), 13u);
        if (row[11] != "done") {
            continue;
        }
        unitsOfBed[row[2]].insert(row[1]);
        EXPECT_EQ(row[2].substr(0, 1), "'") << "a label a spreadsheet would run: " << row[2];
        ASSERT_TRUE(unitOf.contains(row[1])) << row[1];
        const ConfigImage memory = w.Memory(unitOf[row[1]]);
        const UserInterface::RadioCodes codes = RadioCodesOf(memory);
        EXPECT_EQ(std::vector<std::string>(codes.begin(), codes.end()),
                  std::vector<std::string>(row.begin() + 3, row.begin() + 9))
            << "unit " << row[1] << ", record line " << i + 1;
        EXPECT_EQ(row[10], ByteToHex(memory[kChecksumOffset])) << row[1];
        EXPECT_TRUE(ChecksumMatches(memory)) << row[1];
        // Every unit done holds the same configuration.
        if (settings) {
            EXPECT_TRUE(std::equal(memory.begin() + kRadioCodeBlock.End(),
                                   memory.begin() + kChecksumOffset,
                                   settings->begin() + kRadioCodeBlock.End()))
                << row[1];
        } else {
            settings = memory;
        }
        // The plan's other column came along.
        EXPECT_EQ(row.size() > 12 ? row[12] : "", "R" + std::to_string(row[2].back() - '1'));
    }
    for (const auto& [bed, units] : unitsOfBed) {
        EXPECT_EQ(units.size(), 1u) << bed << " was given to more than one unit";
    }
    for (std::size_t bed = 0; bed < kBeds; ++bed) {
        std::size_t holders = 0;
        for (std::size_t unit = 0; unit < kUnits; ++unit) {
            holders += RadioCodesOf(w.Memory(unit)) == BedCodes(bed) ? 1 : 0;
        }
        EXPECT_LE(holders, 1u) << "two units hold the codes of bed " << bed + 1;
    }
    // A unit is untouched, or a report names it (done or failed).
    for (std::size_t unit = 0; unit < kUnits; ++unit) {
        if (w.Memory(unit) == w.before[unit]) {
            continue;
        }
        const bool named =
            std::any_of(w.reports.begin(), w.reports.end(), [&](const UnitReport& r) {
                return r.serialNumber == SerialOf(unit) &&
                       (r.outcome == UnitOutcome::Done || r.outcome == UnitOutcome::Failed);
            });
        EXPECT_TRUE(named) << "unit " << SerialOf(unit) << " was written without a report";
    }
}

TEST(SeriesEngine, RandomTechnicianSchedules) {
    constexpr unsigned kSchedules = 1000;
    constexpr int kSteps = 24;
    for (unsigned seed = 0; seed < kSchedules; ++seed) {
        Ward w(seed);
        w.Start();
        // The unit at the looks since it arrived, and whether it was reported.
        std::size_t present = kUnits;
        int looks = 0;
        bool reported = false;
        std::string trace = "seed " + std::to_string(seed) + ", faults";
        for (const std::string& faults : w.faultsOf) {
            trace += " '" + faults + "'";
        }
        trace += ":";
        // After each look: a unit gone must have been reported if it stayed
        // for two looks at least.
        auto looked = [&] {
            trace += " L" + (w.lookedAt < kUnits ? std::to_string(w.lookedAt) : "-");
            if (w.lookedAt != present) {
                EXPECT_TRUE(present == kUnits || looks < 2 || reported)
                    << "unit " << present << " was never reported; " << trace;
                present = w.lookedAt;
                looks = 0;
                reported = false;
            }
            ++looks;
            for (const UnitReport& report : w.reportsThisStep) {
                trace +=
                    " [" + report.serialNumber + " " + report.label + " " + report.resultText + "]";
                reported = reported ||
                           (present < kUnits && report.serialNumber == SerialOf(present)) ||
                           report.outcome == UnitOutcome::NoAnswer;
            }
        };
        for (int step = 0; step < kSteps && !testing::Test::HasFailure(); ++step) {
            const std::size_t action = w.Draw(10);
            if (action < 3) {
                // Hands take a unit away before they connect the next: the
                // box sees no unit for a look at least.
                const std::size_t next = w.Draw(kUnits + 1);
                if (next != w.connected && w.connected != kUnits && next != kUnits) {
                    w.connected = kUnits;
                    w.Step();
                    looked();
                }
                w.connected = next;
                trace += " connect " + std::to_string(w.connected);
            } else if (action == 3) {
                w.Start();
                present = kUnits;
                trace += " restart";
            }
            w.Step();
            looked();
        }
        CheckRecordAgainstUnits(w, trace);
        if (testing::Test::HasFailure()) {
            ADD_FAILURE() << trace;
            return;
        }
    }
}

}  // namespace
}  // namespace qzt
