#pragma once
// Programming a series of units: a ward's units one after another, each with
// the configuration of the form and, with a plan, its bed's radio codes.
//
// The series looks at the box about twice a second (`Step`). Each look is a
// short session of its own: the connection check and the unit's product
// information, for its serial number. A unit it has not seen before is
// programmed with the window's own commands, so nothing differs from doing
// it by hand: Write to device (backup, write, full read-back verify), then
// Change Radio Codes in device with the plan's codes (backup, write,
// read-back). Their boxes are not shown; the first message either gives is
// the unit's result. Then the series waits until that unit is taken away or
// another serial number appears. A unit done in this series is never written
// again. The caller decides when to stop, only ever between two steps, so a
// unit is never left half programmed by a stop.
//
// Every unit attempted gets a row in the commissioning record (CSV),
// appended as it happens, so a crash loses nothing already done; the
// commands add their backups and History.csv lines as always.

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/ProgramState.h"
#include "core/UserInterface.h"
#include "device/commands/DeviceCommands.h"
#include "series/SeriesPlan.h"
#include "device/link/TUsbInterface.h"

namespace qzt {

// Backups/Commissioning.csv: the record when none is named.
inline constexpr const char* kCommissioningFileName = "Commissioning.csv";
std::string DefaultCommissioningRecord(const std::string& programDataDirectory);

// What a series is started with, checked by PrepareSeries.
struct SeriesSetup {
    // A copy of the window's state: the form to write, the folders and
    // Values.ini. The window's own state is never touched by a series.
    ProgramState state;
    std::string configFileName;  // named in the record
    std::optional<SeriesPlan> plan;
    std::string recordPath;
};

enum class SeriesPreparation { Ok, EncodeRefused, PlanUnreadable, PlanRefused, RecordFailed };

// The checks before a series starts, each shown through `ui`: the form
// encoded exactly as Write to device encodes it, the plan read and checked
// whole (its warnings shown, its refusals in one box), the record opened
// (its header written when it is new; the default record's folder made when
// missing). An empty `planPath` is no plan, an empty `recordPath` the
// default record.
SeriesPreparation PrepareSeries(const ProgramState& state, UserInterface& ui,
                                const std::string& configFileName, const std::string& planPath,
                                const std::string& recordPath, std::optional<SeriesSetup>& setup);

enum class UnitOutcome { Done, Failed, Skipped };

// One unit the series met.
struct UnitReport {
    std::chrono::local_seconds time{};
    std::string serialNumber;
    std::string label;                // the plan row's; empty without a plan
    UserInterface::RadioCodes codes;  // written (plan) or as the unit keeps them
    UnitOutcome outcome = UnitOutcome::Skipped;
    DeviceResult result = DeviceResult::Ok;
    std::string resultText;                // "done", "failed: <message>", "skipped: <why>"
    double seconds = 0;                    // of the link's clock, writing to verifying
    std::optional<std::uint8_t> checksum;  // of what the unit holds when done
};

// What the series is waiting for after its last step.
enum class SeriesWait { ForBox, ForUnit, ForRemoval };
// The text that says so ("Waiting for a unit...").
int SeriesWaitText(SeriesWait wait);

struct SeriesTotals {
    std::size_t done = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
};

class SeriesRun {
  public:
    // Looks start about this far apart.
    static constexpr std::chrono::milliseconds kPollInterval{500};

    SeriesRun(SeriesSetup setup, TUsbInterface& link, UserInterface& ui);

    // One look at the box; the unit programmed (or skipped) when a new one
    // is there. Returns its report, nothing when no unit was new.
    std::optional<UnitReport> Step();

    SeriesWait Waiting() const { return waiting_; }
    // Every row of the plan has its unit: nothing is left to do.
    bool Finished() const;
    const SeriesTotals& Totals() const { return totals_; }
    // Why the last report could not be added to the record (empty: it was).
    const std::string& RecordProblem() const { return recordProblem_; }
    const std::string& RecordPath() const { return setup_.recordPath; }

  private:
    std::optional<std::string> LookForUnit();
    const PlanRow* RowFor(const std::string& serialNumber);
    UnitReport Program(const std::string& serialNumber, const PlanRow* row);
    void Record(const UnitReport& report);

    SeriesSetup setup_;
    TUsbInterface& link_;
    UserInterface& ui_;
    SeriesWait waiting_ = SeriesWait::ForUnit;
    std::string lastSeen_;
    std::set<std::string> done_;
    std::set<std::size_t> rowsDone_;
    SeriesTotals totals_;
    std::string recordProblem_;
};

// "Done: 4, failed: 1, skipped: 0."
std::string SeriesSummaryText(const SeriesTotals& totals);

}  // namespace qzt
