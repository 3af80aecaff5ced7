#include "series/SeriesEngine.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include "config/ImageFields.h"
#include "core/FormCodec.h"
#include "device/commands/UnitRecords.h"
#include "series/Csv.h"
#include "text/HexText.h"
#include "text/Text.h"

namespace qzt {
namespace {

// A plan row's name in the record: its label and its codes.
std::string RowKey(const std::string& label, const UserInterface::RadioCodes& codes) {
    std::string key = label;
    for (const std::string& code : codes) {
        key += '\n' + UpperCase(code);
    }
    return key;
}

// The unit whose memory is `image`, when its product information was read
// into it (the product type is there), else nothing.
std::optional<std::string> SerialRead(std::span<const std::uint8_t, kImageSize> image) {
    if (!IsQztProduct(image)) {
        return std::nullopt;
    }
    return SerialNumberText(image);
}

// The user interface of one unit's commands within a series: their boxes
// are not shown (the series is unattended between units); the first error
// becomes the unit's result. The radio-code dialog is answered with the
// plan's codes, once the unit behind the box is known to be the one the
// configuration was written to. Status, progress, the locale and the clock
// are the front end's; the form and the title are never touched.
class UnitUserInterface : public UserInterface {
  public:
    UnitUserInterface(SeriesEvents& events, TUsbInterface& link) : events_(events), link_(link) {}

    // The codes to answer the dialog with, for the unit `serialNumber`.
    void AnswerRadioCodes(const RadioCodes& codes, const std::string& serialNumber) {
        codes_ = codes;
        serialNumber_ = serialNumber;
    }
    const std::string& FirstError() const { return error_; }
    // The dialog found another unit behind the box.
    bool Swapped() const { return swapped_; }

    void ShowError(const std::string& text) override {
        if (error_.empty()) {
            error_ = OneLine(text);
        }
    }
    void ShowInformation(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }

    void SetStatusText(const std::string& text) override {
        status_ = text;
        events_.Status(text);
    }
    std::string StatusText() const override { return status_; }
    void ProcessPendingMessages() override { events_.KeepAlive(); }

    // No dialogs; the series' copy of the form is what it writes (the
    // defaults).
    const FormLocale& Locale() const override { return events_.Locale(); }
    std::chrono::local_seconds LocalTimeNow() const override { return events_.LocalTimeNow(); }

    // The command has just read the unit whole, in the session it writes
    // in; the unit's serial number is read once more here, so codes meant
    // for one unit never reach another swapped in since the write.
    bool EditRadioCodes(const RadioCodes&, RadioCodes& newCodes) override {
        if (!codes_) {
            return false;
        }
        ConfigImage unit{};
        if (link_.ReadRange(unit, kProductInformation.first, kProductInformation.Last()) !=
            LinkOk) {
            ShowError(Text(txt::NoConnection));
            return false;
        }
        if (SerialRead(unit) != serialNumber_) {
            swapped_ = true;
            return false;
        }
        newCodes = *codes_;
        return true;
    }
    void ShowProgress(std::size_t block, std::size_t blocks) override {
        events_.Progress(block, blocks);
        events_.KeepAlive();
    }
    void EndProgress() override { events_.Progress(0, 0); }

  private:
    SeriesEvents& events_;
    TUsbInterface& link_;
    std::optional<RadioCodes> codes_;
    std::string serialNumber_;
    std::string error_;
    std::string status_;
    bool swapped_ = false;
};

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

}  // namespace

int SeriesWaitText(SeriesWait wait) {
    switch (wait) {
        case SeriesWait::ForBox:
            return txt::SeriesWaitingForBox;
        case SeriesWait::ForUnit:
            return txt::SeriesWaitingForUnit;
        case SeriesWait::ForRemoval:
            break;
    }
    return txt::SeriesWaitingForRemoval;
}

std::string DefaultCommissioningRecord(const std::string& programDataDirectory) {
    return BackupsFolder(programDataDirectory) + kCommissioningFileName;
}

SeriesMemory::SeriesMemory(const SeriesPlan* plan, std::string configFileName)
    : withPlan_(plan != nullptr), configFileName_(std::move(configFileName)) {
    if (plan != nullptr) {
        for (const PlanRow& row : plan->rows) {
            planKeys_.insert(RowKey(row.label, row.codes));
        }
    }
}

void SeriesMemory::Remember(const RecordRow& row) {
    if (!withPlan_) {
        // Without a plan a series is its configuration file.
        if (row.Done() && row.label.empty() && row.configurationFile == configFileName_) {
            doneSerials_.insert(row.serialNumber);
        }
        return;
    }
    const std::string key = RowKey(row.label, row.codes);
    if (!planKeys_.contains(key)) {
        return;
    }
    if (row.Done()) {
        rows_[key] = {row.serialNumber, row.time, true};
        doneSerials_.insert(row.serialNumber);
    } else if (row.MayHoldCodes()) {
        // Kept for that unit unless another already has it for good.
        const auto held = rows_.find(key);
        if (held == rows_.end() || !held->second.done) {
            rows_[key] = {row.serialNumber, row.time, false};
        }
    }
}

void SeriesMemory::Free(const PlanRow& row) {
    rows_.erase(RowKey(row.label, row.codes));
}

const SeriesMemory::Holder* SeriesMemory::HolderOf(const PlanRow& row) const {
    const auto found = rows_.find(RowKey(row.label, row.codes));
    return found == rows_.end() ? nullptr : &found->second;
}

bool SeriesMemory::SerialDone(const std::string& serialNumber) const {
    return doneSerials_.contains(serialNumber);
}

std::size_t SeriesMemory::RowsDone() const {
    return static_cast<std::size_t>(std::count_if(
        rows_.begin(), rows_.end(), [](const auto& entry) { return entry.second.done; }));
}

Result<SeriesSetup, SeriesRefusal> PrepareSeries(const ProgramState& state, UserInterface& ui,
                                                 const std::string& configFileName,
                                                 const std::string& planPath,
                                                 const std::string& recordPath,
                                                 const std::vector<std::string>& redoLabels) {
    // The form is checked as Write to device checks it, before any unit is
    // reached; each unit's write encodes it again with that moment's clock.
    ProgramState copy = state;
    ConfigImage image{};
    if (const auto fault = EncodeFromForm(copy, ui, image, ConfigMode::Written)) {
        ShowEncodeError(ui, *fault);
        return SeriesRefusal::EncodeRefused;
    }
    std::optional<SeriesPlan> plan;
    std::vector<std::string> notes;
    if (!planPath.empty()) {
        PlanCheck check = ReadSeriesPlan(planPath);
        if (!check && !check.error().unreadable.empty()) {
            ui.ShowErrorWithReason(check.error().refusals.front(), check.error().unreadable);
            return SeriesRefusal::PlanUnreadable;
        }
        // A refused plan is all the user needs to see: its warnings come
        // with an accepted one.
        if (!check) {
            ui.ShowError(TextF(txt::PlanRefused, planPath) + "\n" +
                         JoinLines(check.error().refusals));
            return SeriesRefusal::PlanRefused;
        }
        notes = std::move(check->warnings);
        plan = std::move(check->plan);
    }
    for (const std::string& label : redoLabels) {
        if (!plan || std::none_of(plan->rows.begin(), plan->rows.end(),
                                  [&label](const PlanRow& row) { return row.label == label; })) {
            ui.ShowError(TextF(txt::SeriesRedoUnknown, label));
            return SeriesRefusal::RedoUnknown;
        }
    }
    // The default record lives with the backups, in a folder made when
    // first needed; a record named elsewhere goes in a folder of the user's.
    const std::string defaultRecord = DefaultCommissioningRecord(state.ProgramDataDirectory);
    const std::string record = recordPath.empty() ? defaultRecord : recordPath;
    if (record == defaultRecord) {
        CreateFolder(StripTrailingSeparators(BackupsFolder(state.ProgramDataDirectory)));
    }
    Result<SeriesRecord> opened =
        SeriesRecord::Open(record, plan ? &*plan : nullptr, planPath, configFileName);
    if (!opened) {
        ui.ShowErrorWithReason(opened.error().message, opened.error().Reason());
        return SeriesRefusal::RecordFailed;
    }

    // What the record already holds of this plan, and the rows to give
    // again, each naming the unit that has it.
    SeriesMemory memory(plan ? &*plan : nullptr, configFileName);
    for (const RecordRow& row : opened->Rows()) {
        memory.Remember(row);
    }
    if (plan && memory.RowsDone() > 0) {
        notes.push_back(TextF(txt::SeriesResume, record, std::to_string(memory.RowsDone()),
                              std::to_string(plan->rows.size())));
    }
    for (const std::string& label : redoLabels) {
        for (const PlanRow& row : plan->rows) {
            if (row.label != label) {
                continue;
            }
            const SeriesMemory::Holder* holder = memory.HolderOf(row);
            notes.push_back(holder != nullptr ? TextF(txt::SeriesRedoHeld, label,
                                                      holder->serialNumber, holder->time)
                                              : TextF(txt::SeriesRedoFree, label));
            memory.Free(row);
        }
    }
    return SeriesSetup{std::move(copy),    configFileName,    std::move(plan),
                       std::move(*opened), std::move(memory), std::move(notes)};
}

SeriesEngine::SeriesEngine(SeriesSetup setup, TUsbInterface& link, SeriesEvents& events)
    : setup_(std::move(setup)), link_(link), events_(events) {}

bool SeriesEngine::Finished() const {
    return setup_.plan && std::all_of(setup_.plan->rows.begin(), setup_.plan->rows.end(),
                                      [this](const PlanRow& row) {
                                          const SeriesMemory::Holder* holder =
                                              setup_.memory.HolderOf(row);
                                          return holder != nullptr && holder->done;
                                      });
}

SeriesTotals SeriesEngine::Totals() const {
    SeriesTotals totals;
    for (const auto& [serial, outcome] : outcomes_) {
        if (outcome == UnitOutcome::Done) {
            ++totals.done;
        } else if (outcome == UnitOutcome::Failed) {
            ++totals.failed;
        }
    }
    totals.skipped = skipped_;
    totals.notAnswering = notAnswering_;
    return totals;
}

SeriesEngine::Look SeriesEngine::LookForUnit(std::string& serialNumber) {
    Look look = Look::NoBox;
    if (link_.Open() == LinkOk) {
        boxSeen_ = true;
        look = Look::NoUnit;
        ConfigImage unit{};
        if (link_.CheckConnection() == LinkOk) {
            look = Look::NotAnswering;
            if (link_.ReadRange(unit, kProductInformation.first, kProductInformation.Last()) ==
                LinkOk) {
                serialNumber = SerialNumberText(unit);
                look = Look::Unit;
            }
        }
    }
    link_.Close();
    return look;
}

const PlanRow* SeriesEngine::RowFor(const std::string& serialNumber) const {
    const std::vector<PlanRow>& rows = setup_.plan->rows;
    auto holder = [this](const PlanRow& row) { return setup_.memory.HolderOf(row); };
    // A row kept for this unit (its codes may be on it), else its own row,
    // else the first row free for any unit.
    auto found = std::find_if(rows.begin(), rows.end(), [&](const PlanRow& row) {
        return holder(row) != nullptr && !holder(row)->done &&
               holder(row)->serialNumber == serialNumber;
    });
    if (found == rows.end()) {
        found = std::find_if(rows.begin(), rows.end(), [&](const PlanRow& row) {
            return holder(row) == nullptr && row.serialNumber == serialNumber;
        });
    }
    if (found == rows.end()) {
        found = std::find_if(rows.begin(), rows.end(), [&](const PlanRow& row) {
            return holder(row) == nullptr && row.serialNumber.empty();
        });
    }
    return found == rows.end() ? nullptr : &*found;
}

std::optional<UnitReport> SeriesEngine::Step() {
    // A look without a unit waits most of a second for its answer: the
    // front end keeps answering meanwhile (a Stop is heard at once).
    link_.SetWaitHandler([this] { events_.KeepAlive(); });
    struct NoWaitHandler {
        TUsbInterface& link;
        ~NoWaitHandler() { link.SetWaitHandler({}); }
    } restore{link_};
    lastLook_ = link_.Clock().Now();
    std::string serialNumber;
    switch (LookForUnit(serialNumber)) {
        case Look::NoBox:
            waiting_ = SeriesWait::ForBox;
            lastSeen_.clear();
            noAnswerReported_ = false;
            return std::nullopt;
        case Look::NoUnit:
            // Gone: the same unit connected again is met again.
            waiting_ = SeriesWait::ForUnit;
            lastSeen_.clear();
            noAnswerReported_ = false;
            return std::nullopt;
        case Look::NotAnswering: {
            // Connected, since the box sees it, but it does not answer a
            // read: said once, until it is taken away.
            waiting_ = SeriesWait::ForRemoval;
            lastSeen_.clear();
            if (noAnswerReported_) {
                return std::nullopt;
            }
            noAnswerReported_ = true;
            ++notAnswering_;
            UnitReport report = Report(UnitOutcome::NoAnswer, {}, txt::SeriesNoAnswer);
            // A history that cannot be written changes nothing for the unit.
            static_cast<void>(
                AppendHistory(setup_.state.ProgramDataDirectory,
                              {report.time, Text(txt::SeriesTitle), {}, report.resultText}));
            Record(report);
            return report;
        }
        case Look::Unit:
            break;
    }
    noAnswerReported_ = false;
    waiting_ = SeriesWait::ForRemoval;
    if (serialNumber == lastSeen_) {
        return std::nullopt;
    }
    lastSeen_ = serialNumber;

    if (setup_.memory.SerialDone(serialNumber)) {
        ++skipped_;
        return Report(UnitOutcome::Skipped, serialNumber, txt::SeriesSkippedDone);
    }
    const PlanRow* row = setup_.plan ? RowFor(serialNumber) : nullptr;
    if (setup_.plan && row == nullptr) {
        ++skipped_;
        return Report(UnitOutcome::Skipped, serialNumber, txt::SeriesSkippedNoRow);
    }
    events_.Status(TextF(txt::SeriesProgramming, serialNumber));
    events_.KeepAlive();
    UnitReport report = Program(serialNumber, row);
    if (report.resultText == Text(txt::SeriesSwapped)) {
        // Whatever is connected now is met anew at the next look, also the
        // look's unit if it is back: it was never written.
        lastSeen_.clear();
    }
    // A unit counts by its last outcome; one done (now or before, on
    // record) stays done.
    const auto before = outcomes_.find(report.serialNumber);
    const bool done = report.outcome == UnitOutcome::Done ||
                      setup_.memory.SerialDone(report.serialNumber) ||
                      (before != outcomes_.end() && before->second == UnitOutcome::Done);
    outcomes_[report.serialNumber] = done ? UnitOutcome::Done : report.outcome;
    Record(report);
    return report;
}

UnitReport SeriesEngine::Report(UnitOutcome outcome, const std::string& serialNumber, int text) {
    UnitReport report;
    report.time = events_.LocalTimeNow();
    report.serialNumber = serialNumber;
    report.outcome = outcome;
    report.resultText = Text(text);
    return report;
}

UnitReport SeriesEngine::Program(const std::string& serialNumber, const PlanRow* row) {
    UnitReport report;
    report.time = events_.LocalTimeNow();
    report.serialNumber = serialNumber;
    report.outcome = UnitOutcome::Failed;
    // Each unit starts from the series' own state: what one unit's commands
    // leave in it never reaches the next. The scratch image starts empty, so
    // that what is in it afterwards was read from the unit.
    ProgramState state = setup_.state;
    std::fill(state.ScratchImage.begin(), state.ScratchImage.end(), 0);
    const auto scratch = ImageOf(state.ScratchImage);
    UnitUserInterface unitUi(events_, link_);
    const auto start = link_.Clock().Now();
    auto finish = [&](DeviceResult result) {
        report.seconds = std::chrono::duration<double>(link_.Clock().Now() - start).count();
        report.result = result;
        return report;
    };

    DeviceResult result = WriteToDevice(state, link_, unitUi);
    // The unit the write reached, as the write read it: the look's unit may
    // have been swapped for another in between.
    const std::optional<std::string> written = SerialRead(scratch);
    if (written) {
        report.serialNumber = *written;
    }
    if (result != DeviceResult::Ok) {
        report.resultText = TextF(txt::SeriesFailed, unitUi.FirstError());
        if (row != nullptr) {
            report.label = row->label;
            report.extras = row->extras;
        }
        return finish(result);
    }
    if (report.serialNumber != serialNumber) {
        // Written with the configuration all the same; its row waits for the
        // look that meets it again.
        report.resultText = Text(txt::SeriesSwapped);
        return finish(DeviceFault::VerifyFailed);
    }
    if (row == nullptr) {
        // Without a plan the unit keeps its codes; the read-back has them.
        report.codes = RadioCodesOf(scratch);
        report.checksum = scratch[kChecksumOffset];
        report.outcome = UnitOutcome::Done;
        report.resultText = Text(txt::SeriesDone);
        return finish(result);
    }

    report.label = row->label;
    report.extras = row->extras;
    unitUi.AnswerRadioCodes(row->codes, serialNumber);
    result = ChangeDeviceRadioCodes(state, link_, unitUi);
    if (unitUi.Swapped()) {
        report.resultText = Text(txt::SeriesSwapped);
        return finish(DeviceFault::Cancelled);
    }
    if (result != DeviceResult::Ok) {
        report.resultText = TextF(txt::SeriesFailed, unitUi.FirstError());
        // Blocks went out: the unit may hold the codes now, so they stay on
        // record with it and the row is kept for it.
        if (result == DeviceFault::WriteFailed || result == DeviceFault::VerifyFailed) {
            report.codes = row->codes;
        }
        return finish(result);
    }
    // Both read-backs compared what the unit holds: the configuration with
    // its own bytes, then the plan's codes under the new checksum.
    report.codes = row->codes;
    report.checksum = scratch[kChecksumOffset];
    report.outcome = UnitOutcome::Done;
    report.resultText = Text(txt::SeriesDone);
    return finish(result);
}

void SeriesEngine::Record(UnitReport& report) {
    RecordRow row;
    row.time = HistoryTimeText(report.time);
    row.serialNumber = report.serialNumber;
    row.label = report.label;
    row.codes = report.codes;
    row.configurationFile = setup_.configFileName;
    row.checksum = report.checksum ? ByteToHex(*report.checksum) : "";
    row.result = report.resultText;
    row.extras = report.extras;
    if (const Result<void> written = setup_.record.Append(row); !written) {
        report.recordProblem = written.error().Reason();
        return;
    }
    // What the record holds is what the series remembers: a row on record
    // is never given again, also by a series started again from the record.
    setup_.memory.Remember(row);
}

LinkClock::Duration SeriesEngine::UntilNextLook() const {
    const LinkClock::TimePoint next = lastLook_ + kPollInterval;
    const LinkClock::TimePoint now = link_.Clock().Now();
    return next > now ? next - now : LinkClock::Duration::zero();
}

void SeriesEngine::WaitForNextLook(const std::function<bool()>& stop) {
    constexpr auto kSlice = std::chrono::milliseconds(100);
    while (!stop() && UntilNextLook() > LinkClock::Duration::zero()) {
        const auto before = std::chrono::steady_clock::now();
        link_.Clock().SleepFor(std::min<LinkClock::Duration>(UntilNextLook(), kSlice));
        // The simulator's zero time passes at once: the thread still gives
        // the processor away, or a series waiting for hours would spin.
        if (std::chrono::steady_clock::now() - before < std::chrono::milliseconds(1)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        events_.KeepAlive();
    }
}

std::string SeriesSummaryText(const SeriesTotals& totals) {
    return TextF(txt::SeriesSummaryAll, std::to_string(totals.done), std::to_string(totals.failed),
                 std::to_string(totals.skipped), std::to_string(totals.notAnswering));
}

}  // namespace qzt
