#pragma once
// Programming a series of units: a ward's units one after another, each with
// the configuration of the form and, with a plan, its bed's radio codes. One
// engine for the window's dialog and for `qzt series`; each front end only
// shows what it reports and decides when to stop.
//
// The engine looks at the box about twice a second (`Step`). Each look is a
// short session of its own: the connection check and the unit's product
// information, for its serial number. A unit not done before is programmed
// with the window's own commands, so nothing differs from doing it by hand:
// Write to device (backup, write, full read-back verify), then Change Radio
// Codes in device with the plan's codes (backup, write, read-back). Their
// boxes are not shown; the first message either gives is the unit's result.
// Then the engine waits until that unit is taken away or another appears.
// A stop only ever falls between two steps, so no unit is left half done by
// it.
//
// The commissioning record (series/SeriesRecord.h) is the series' memory:
// what is done is what the record says is done. A series started again with
// the same record and plan skips the units done, never gives a row done to
// another unit and goes on with the next free row.
//
// The serial number a row is recorded under is the one the write itself read
// from the unit: a unit swapped in between the look and the write is not
// given the row.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/ProgramState.h"
#include "core/UserInterface.h"
#include "device/commands/DeviceCommands.h"
#include "device/link/TUsbInterface.h"
#include "series/SeriesPlan.h"
#include "series/SeriesRecord.h"

namespace qzt {

// Backups/Commissioning.csv: the record when none is named.
inline constexpr const char* kCommissioningFileName = "Commissioning.csv";
std::string DefaultCommissioningRecord(const std::string& programDataDirectory);

// What the record says of a series: the rows given (to which unit, done or
// kept for a unit that may hold their codes) and the units done. A row is
// named by its label and its six codes; without a plan only the units done
// with the same configuration file count.
class SeriesMemory {
  public:
    struct Holder {
        std::string serialNumber;
        std::string time;
        bool done = false;  // else its codes may be on the unit: kept for it
    };

    // For `plan` (or none) and the configuration file named in the record.
    SeriesMemory(const SeriesPlan* plan, std::string configFileName);

    // One record row, in the record's order: a later row wins.
    void Remember(const RecordRow& row);
    // The row is free again (given again on the user's explicit choice).
    void Free(const PlanRow& row);

    const Holder* HolderOf(const PlanRow& row) const;
    bool SerialDone(const std::string& serialNumber) const;
    std::size_t RowsDone() const;

  private:
    bool withPlan_;
    std::string configFileName_;
    std::set<std::string> planKeys_;
    std::map<std::string, Holder> rows_;
    std::set<std::string> doneSerials_;
};

// What a series is started with, made by PrepareSeries.
struct SeriesSetup {
    // A copy of the window's state: the form to write, the folders and
    // Values.ini. The window's own state is never touched by a series.
    ProgramState state;
    std::string configFileName;  // named in the record
    std::optional<SeriesPlan> plan;
    SeriesRecord record;
    // The record's rows replayed, the rows to give again (--redo) freed.
    SeriesMemory memory;
    // What the user is to see before the series starts (the plan's warnings,
    // what the record already holds, the rows given again); the window asks
    // for confirmation with them, the console prints them.
    std::vector<std::string> notes;
};

// Why a series could not start (each problem already shown to the user).
enum class SeriesRefusal {
    EncodeRefused,   // a field of the form
    PlanUnreadable,  // the plan's file
    PlanRefused,     // the plan's contents
    RedoUnknown,     // --redo names no row of the plan
    RecordFailed,    // the record cannot serve
};

// The checks before a series starts, each problem shown through `ui`: the
// form encoded exactly as Write to device encodes it, the plan read and
// checked whole, the record opened and read (its header written when it is
// new; the default record's folder made when missing), the rows to give
// again found in the plan. An empty `planPath` is no plan, an empty
// `recordPath` the default record.
Result<SeriesSetup, SeriesRefusal> PrepareSeries(const ProgramState& state, UserInterface& ui,
                                                 const std::string& configFileName,
                                                 const std::string& planPath,
                                                 const std::string& recordPath,
                                                 const std::vector<std::string>& redoLabels);

enum class UnitOutcome { Done, Failed, Skipped, NoAnswer };

// One unit the series met.
struct UnitReport {
    std::chrono::local_seconds time{};
    std::string serialNumber;  // empty for a unit that did not answer
    std::string label;         // the plan row's; empty without a plan
    UserInterface::RadioCodes codes;
    UnitOutcome outcome = UnitOutcome::Skipped;
    DeviceResult result = DeviceResult::Ok;
    std::string resultText;                // "done", "failed: <message>", "skipped: <why>", ...
    double seconds = 0;                    // of the link's clock, writing to verifying
    std::optional<std::uint8_t> checksum;  // of what the unit holds when done
    std::vector<std::string> extras;       // the plan row's other cells
    // The record refused the report's row: why (empty: it was recorded).
    std::string recordProblem;
};

// What the series is waiting for after its last step.
enum class SeriesWait { ForBox, ForUnit, ForRemoval };
// The text that says so ("Waiting for a unit...").
int SeriesWaitText(SeriesWait wait);

// Counted by units: a unit that failed and was done later counts as done.
struct SeriesTotals {
    std::size_t done = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
    std::size_t notAnswering = 0;
};

// What the engine tells its front end while it works.
class SeriesEvents {
  public:
    virtual ~SeriesEvents() = default;
    // A status text of the unit's commands ("Programming unit 123401...",
    // "Verify...").
    virtual void Status(const std::string& text) = 0;
    // `block` of `blocks` of the unit's commands done; 0 of 0 when over.
    virtual void Progress(std::size_t block, std::size_t blocks) = 0;
    // Called about every 20 ms while the engine waits on the box, and after
    // each block: a window answers its user here (a Stop is heard), the
    // console notices Ctrl+C.
    virtual void KeepAlive() = 0;
    // The computer's local time (the unit's clock, the record's times) and
    // the user's date formats.
    virtual std::chrono::local_seconds LocalTimeNow() const = 0;
    virtual const FormLocale& Locale() const = 0;
};

// Events that go nowhere, with the clock and the locale of a user
// interface: what a front end without a window starts from (the console,
// tests, benchmarks).
class QuietSeriesEvents : public SeriesEvents {
  public:
    explicit QuietSeriesEvents(const UserClock& ui) : ui_(ui) {}
    void Status(const std::string&) override {}
    void Progress(std::size_t, std::size_t) override {}
    void KeepAlive() override {}
    std::chrono::local_seconds LocalTimeNow() const override { return ui_.LocalTimeNow(); }
    const FormLocale& Locale() const override { return ui_.Locale(); }

  private:
    const UserClock& ui_;
};

class SeriesEngine {
  public:
    // Looks start about this far apart.
    static constexpr std::chrono::milliseconds kPollInterval{500};

    SeriesEngine(SeriesSetup setup, TUsbInterface& link, SeriesEvents& events);

    // One look at the box; the unit programmed (or skipped, or reported as
    // not answering) when a new one is there. Returns its report (already
    // in the record unless its recordProblem says otherwise), nothing when
    // no unit was new.
    std::optional<UnitReport> Step();

    // Waits until the next look is due, or `stop` says to stop (asked about
    // every 100 ms of the link's clock). A clock that does not move with
    // real time (the simulator's zero time) still yields the processor.
    void WaitForNextLook(const std::function<bool()>& stop);
    // How long until the next look is due.
    LinkClock::Duration UntilNextLook() const;

    SeriesWait Waiting() const { return waiting_; }
    // The box answered at least once.
    bool BoxSeen() const { return boxSeen_; }
    // Every row of the plan has its unit: nothing is left to do.
    bool Finished() const;
    SeriesTotals Totals() const;
    const std::string& RecordPath() const { return setup_.record.Path(); }

  private:
    enum class Look { NoBox, NoUnit, NotAnswering, Unit };
    Look LookForUnit(std::string& serialNumber);
    const PlanRow* RowFor(const std::string& serialNumber) const;
    UnitReport Program(const std::string& serialNumber, const PlanRow* row);
    UnitReport Report(UnitOutcome outcome, const std::string& serialNumber, int text);
    void Record(UnitReport& report);

    SeriesSetup setup_;
    TUsbInterface& link_;
    SeriesEvents& events_;
    SeriesWait waiting_ = SeriesWait::ForUnit;
    bool boxSeen_ = false;
    bool noAnswerReported_ = false;
    std::string lastSeen_;
    LinkClock::TimePoint lastLook_{};

    // This run's units, each by its last outcome; the others counted.
    std::map<std::string, UnitOutcome> outcomes_;
    std::size_t skipped_ = 0;
    std::size_t notAnswering_ = 0;
};

// "Done: 4, failed: 1, skipped: 0, not answering: 0."
std::string SeriesSummaryText(const SeriesTotals& totals);

}  // namespace qzt
