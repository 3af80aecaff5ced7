#include "series/SeriesEngine.h"

#include <algorithm>

#include "config/ImageFields.h"
#include "core/FormCodec.h"
#include "device/commands/UnitRecords.h"
#include "text/HexText.h"
#include "text/Text.h"

namespace qzt {
namespace {

// The user interface of one unit's commands within a series: their boxes
// are not shown (the series is unattended between units); the first error
// becomes the unit's result. The radio-code dialog is answered with the
// plan's codes. Status, progress, the locale and the clock are the caller's;
// the form and the title are never touched, so the window stays as it is.
class UnitUserInterface : public UserInterface {
  public:
    explicit UnitUserInterface(UserInterface& outer) : outer_(outer) {}

    void AnswerRadioCodes(const RadioCodes& codes) { codes_ = codes; }
    const std::string& FirstError() const { return error_; }

    void ShowError(const std::string& text) override {
        if (error_.empty()) {
            error_ = text;
            std::replace(error_.begin(), error_.end(), '\n', ' ');
        }
    }
    void ShowInformation(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }

    void SetStatusText(const std::string& text) override { outer_.SetStatusText(text); }
    std::string StatusText() const override { return outer_.StatusText(); }
    void SetTitle(const std::string&) override {}
    void BeginBusy() override {}
    void EndBusy() override {}
    void ProcessPendingMessages() override { outer_.ProcessPendingMessages(); }

    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions&) override { return {}; }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
        return {};
    }

    // The series' copy of the form is what it writes.
    void ShowForm(const FormModel&) override {}
    void ReadForm(FormModel&) override {}
    const FormLocale& Locale() const override { return outer_.Locale(); }
    std::chrono::local_seconds LocalTimeNow() const override { return outer_.LocalTimeNow(); }

    bool EditRadioCodes(const RadioCodes&, RadioCodes& newCodes) override {
        if (!codes_) {
            return false;
        }
        newCodes = *codes_;
        return true;
    }
    void ShowProgress(std::size_t block, std::size_t blocks) override {
        outer_.ShowProgress(block, blocks);
    }
    void EndProgress() override { outer_.EndProgress(); }

  private:
    UserInterface& outer_;
    std::optional<RadioCodes> codes_;
    std::string error_;
};

std::vector<std::string> RecordHeader() {
    std::vector<std::string> header{Text(txt::HistoryTime), Text(txt::SerialNumber),
                                    Text(txt::PlanLabel)};
    for (int caption : kRadioCodeCaptions) {
        header.push_back(Text(caption));
    }
    header.push_back(Text(txt::RecordConfigurationFile));
    header.push_back(Text(txt::RecordChecksum));
    header.push_back(Text(txt::HistoryResult));
    return header;
}

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

SeriesPreparation PrepareSeries(const ProgramState& state, UserInterface& ui,
                                const std::string& configFileName, const std::string& planPath,
                                const std::string& recordPath, std::optional<SeriesSetup>& setup) {
    setup.reset();
    SeriesSetup prepared{state, configFileName, std::nullopt, recordPath};
    // The form is checked as Write to device checks it, before any unit is
    // reached; each unit's write encodes it again with that moment's clock.
    ConfigImage image{};
    if (const auto fault = EncodeFromForm(prepared.state, ui, image, ConfigMode::Written)) {
        ShowEncodeError(ui, *fault);
        return SeriesPreparation::EncodeRefused;
    }
    if (!planPath.empty()) {
        PlanCheck check = ReadSeriesPlan(planPath);
        if (!check.unreadable.empty()) {
            ui.ShowErrorWithReason(check.refusals.front(), check.unreadable);
            return SeriesPreparation::PlanUnreadable;
        }
        if (!check.warnings.empty()) {
            ui.ShowError(JoinLines(check.warnings));
        }
        if (!check.Accepted()) {
            ui.ShowError(TextF(txt::PlanRefused, planPath) + "\n" + JoinLines(check.refusals));
            return SeriesPreparation::PlanRefused;
        }
        prepared.plan = std::move(check.plan);
    }
    // The default record lives with the backups, in a folder made when
    // first needed; a record named elsewhere goes in a folder of the user's.
    const std::string defaultRecord = DefaultCommissioningRecord(state.ProgramDataDirectory);
    if (prepared.recordPath.empty()) {
        prepared.recordPath = defaultRecord;
    }
    if (prepared.recordPath == defaultRecord) {
        CreateFolder(StripTrailingSeparators(BackupsFolder(state.ProgramDataDirectory)));
    }
    FileError failure;
    if (!AppendCsvRow(prepared.recordPath, RecordHeader(), {}, &failure)) {
        ui.ShowErrorWithReason(TextF(txt::RecordUnwritable, prepared.recordPath), failure.Reason());
        return SeriesPreparation::RecordFailed;
    }
    setup = std::move(prepared);
    return SeriesPreparation::Ok;
}

SeriesRun::SeriesRun(SeriesSetup setup, TUsbInterface& link, UserInterface& ui)
    : setup_(std::move(setup)), link_(link), ui_(ui) {}

bool SeriesRun::Finished() const {
    return setup_.plan && rowsDone_.size() == setup_.plan->rows.size();
}

std::optional<std::string> SeriesRun::LookForUnit() {
    std::optional<std::string> serialNumber;
    if (link_.Open() != LinkOk) {
        waiting_ = SeriesWait::ForBox;
    } else {
        ConfigImage unit{};
        waiting_ = SeriesWait::ForUnit;
        if (link_.CheckConnection() == LinkOk &&
            link_.ReadRange(unit, kProductInformation.first, kProductInformation.Last()) ==
                LinkOk) {
            serialNumber = SerialNumberText(unit);
        }
    }
    link_.Close();
    return serialNumber;
}

const PlanRow* SeriesRun::RowFor(const std::string& serialNumber) {
    const std::vector<PlanRow>& rows = setup_.plan->rows;
    auto open = [this, &rows](const PlanRow& row) {
        return !rowsDone_.contains(static_cast<std::size_t>(&row - rows.data()));
    };
    // The unit's own row, else the first row free for any unit.
    auto found = std::find_if(rows.begin(), rows.end(), [&](const PlanRow& row) {
        return open(row) && row.serialNumber == serialNumber;
    });
    if (found == rows.end()) {
        found = std::find_if(rows.begin(), rows.end(), [&](const PlanRow& row) {
            return open(row) && row.serialNumber.empty();
        });
    }
    return found == rows.end() ? nullptr : &*found;
}

std::optional<UnitReport> SeriesRun::Step() {
    // A look without a unit waits most of a second for its answer: the
    // window keeps answering meanwhile (Stop is heard at once).
    link_.SetWaitHandler([this] { ui_.ProcessPendingMessages(); });
    struct NoWaitHandler {
        TUsbInterface& link;
        ~NoWaitHandler() { link.SetWaitHandler({}); }
    } restore{link_};
    const std::optional<std::string> serialNumber = LookForUnit();
    if (!serialNumber) {
        // Gone: the same unit connected again is met again.
        lastSeen_.clear();
        return std::nullopt;
    }
    waiting_ = SeriesWait::ForRemoval;
    if (*serialNumber == lastSeen_) {
        return std::nullopt;
    }
    lastSeen_ = *serialNumber;

    UnitReport report;
    const PlanRow* row = setup_.plan ? RowFor(*serialNumber) : nullptr;
    if (done_.contains(*serialNumber) || (setup_.plan && row == nullptr)) {
        report.time = ui_.LocalTimeNow();
        report.serialNumber = *serialNumber;
        report.resultText =
            Text(done_.contains(*serialNumber) ? txt::SeriesSkippedDone : txt::SeriesSkippedNoRow);
        ++totals_.skipped;
        return report;
    }
    ui_.SetStatusText(TextF(txt::SeriesProgramming, *serialNumber));
    ui_.ProcessPendingMessages();
    report = Program(*serialNumber, row);
    if (report.outcome == UnitOutcome::Done) {
        done_.insert(*serialNumber);
        if (row != nullptr) {
            rowsDone_.insert(static_cast<std::size_t>(row - setup_.plan->rows.data()));
        }
        ++totals_.done;
    } else {
        ++totals_.failed;
    }
    Record(report);
    return report;
}

UnitReport SeriesRun::Program(const std::string& serialNumber, const PlanRow* row) {
    UnitReport report;
    report.time = ui_.LocalTimeNow();
    report.serialNumber = serialNumber;
    // Each unit starts from the series' own state: what one unit's commands
    // leave in it never reaches the next.
    ProgramState state = setup_.state;
    UnitUserInterface unitUi(ui_);
    const auto start = link_.Clock().Now();
    DeviceResult result = WriteToDevice(state, link_, unitUi);
    if (result == DeviceResult::Ok && row != nullptr) {
        unitUi.AnswerRadioCodes(row->codes);
        result = ChangeDeviceRadioCodes(state, link_, unitUi);
    }
    report.seconds = std::chrono::duration<double>(link_.Clock().Now() - start).count();
    report.result = result;
    if (row != nullptr) {
        report.label = row->label;
        report.codes = row->codes;
    }
    if (result != DeviceResult::Ok) {
        report.outcome = UnitOutcome::Failed;
        report.resultText = TextF(txt::SeriesFailed, unitUi.FirstError());
        return report;
    }
    // What the unit holds now, both read-backs having compared it: the
    // configuration with the unit's own bytes, and the plan's codes.
    const auto image = ImageOf(state.CurrentImage);
    if (row == nullptr) {
        report.codes = RadioCodesOf(image);
    } else {
        StoreRadioCodes(row->codes, image);
        StoreChecksum(image);
    }
    report.checksum = image[kChecksumOffset];
    report.outcome = UnitOutcome::Done;
    report.resultText = Text(txt::SeriesDone);
    return report;
}

void SeriesRun::Record(const UnitReport& report) {
    std::vector<std::string> row{HistoryTimeText(report.time), report.serialNumber, report.label};
    row.insert(row.end(), report.codes.begin(), report.codes.end());
    row.push_back(setup_.configFileName);
    row.push_back(report.checksum ? ByteToHex(*report.checksum) : "");
    row.push_back(report.resultText);
    FileError failure;
    recordProblem_.clear();
    if (!AppendCsvRow(setup_.recordPath, RecordHeader(), row, &failure)) {
        recordProblem_ = failure.Reason();
    }
}

std::string SeriesSummaryText(const SeriesTotals& totals) {
    return TextF(txt::SeriesSummary, std::to_string(totals.done), std::to_string(totals.failed),
                 std::to_string(totals.skipped));
}

}  // namespace qzt
