#include "app/TfrmSeries.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/WindowHelpers.h"
#include "core/FileSystem.h"
#include "core/UserInterface.h"
#include "core/WindowTitle.h"
#include "series/SeriesEngine.h"
#include "session/Session.h"
#include "text/Text.h"

namespace qzt {
namespace {

enum Column { kLabel, kSerialNumber, kResult, kTime, kColumns };

// The folder a path's file dialog starts in: the path's own when it names
// one, else `fallback`.
std::string FolderOf(const QString& path, const std::string& fallback) {
    if (path.trimmed().isEmpty()) {
        return fallback;
    }
    return QFileInfo(path).absolutePath().toStdString();
}

// A path shown from its start, whole in the tool tip.
void ShowPath(QLineEdit* edit, const QString& path) {
    edit->setText(path);
    edit->setCursorPosition(0);
    edit->setToolTip(path);
}

// The label column's narrowest width, in average characters: room for a
// bed's label such as "Room 12 window" from the start.
constexpr int kLabelCharacters = 18;

}  // namespace

std::string SeriesConfigurationName(const ProgramState& state, const std::string& windowTitle) {
    ConfigMode source = state.ConfigState;
    if (source == ConfigMode::Written) {
        // The title still names where the written form came from.
        source = ConfigMode::Default;
        for (const ConfigMode shown : {ConfigMode::File, ConfigMode::Read}) {
            if (WindowTitleFor(shown, state.CurrentFileName) == windowTitle) {
                source = shown;
            }
        }
    }
    switch (source) {
        case ConfigMode::File:
        case ConfigMode::Saved:
            return state.CurrentFileName;
        case ConfigMode::Read:
            return Text(txt::TitleReadFromUnit);
        default:
            // CurrentFileName outlives File > New: it is not the default's.
            return Text(txt::TitleDefault);
    }
}

// What a running series tells the dialog: status texts go to its status
// line, the blocks to its progress bar, and its pauses let all pending
// events run, so that Stop is heard while a unit is programmed. The locale
// and the clock are the window's.
class TfrmSeries::RunEvents : public SeriesEvents {
  public:
    explicit RunEvents(TfrmSeries& dialog) : dialog_(dialog) {}

    // Once Stop is asked for, its "Stopping after this unit..." stays.
    void Status(const std::string& text) override {
        if (!dialog_.stopRequested_) {
            dialog_.SetStatusLine(Q(text));
        }
    }
    void Progress(std::size_t block, std::size_t blocks) override {
        if (blocks == 0) {
            dialog_.progress_->reset();
            return;
        }
        dialog_.progress_->setMaximum(static_cast<int>(blocks));
        dialog_.progress_->setValue(static_cast<int>(block));
    }
    void KeepAlive() override { QApplication::processEvents(); }
    std::chrono::local_seconds LocalTimeNow() const override { return dialog_.ui_.LocalTimeNow(); }
    const FormLocale& Locale() const override { return dialog_.ui_.Locale(); }

  private:
    TfrmSeries& dialog_;
};

TfrmSeries::TfrmSeries(QWidget& owner, Session& session, UserInterface& ui)
    : QDialog(&owner),
      owner_(owner),
      session_(session),
      ui_(ui),
      events_(std::make_unique<RunEvents>(*this)) {
    setObjectName("frmSeries");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Q(Text(txt::SeriesTitle)));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(BuildFileLines());
    BuildUnitsTable();
    layout->addWidget(units_, 1);
    status_ = new QLabel(this);
    status_->setObjectName("lblStatus");
    status_->setAccessibleName(Q(Text(txt::AccessSeriesStatus)));
    status_->setWordWrap(true);
    // Two lines (the plan's end over the summary) without the dialog growing.
    status_->setMinimumHeight(2 * fontMetrics().lineSpacing());
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("pbUnit");
    progress_->setAccessibleName(Q(Text(txt::AccessUnitProgress)));
    progress_->setFormat("%v / %m");
    progress_->reset();

    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addLayout(BuildButtons());

    // The next look: armed again after each, so looks never overlap.
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { Look(); });

    EnableControls();
}

QGridLayout* TfrmSeries::BuildFileLines() {
    auto* lines = new QGridLayout();
    auto line = [&](int row, const char* name, const QString& caption, QLineEdit*& edit,
                    QPushButton** browse, const char* browseName, int browseCaption) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString("lbl") + name);
        edit = new QLineEdit(this);
        edit->setObjectName(QString("edt") + name);
        label->setBuddy(edit);
        lines->addWidget(label, row, 0);
        lines->addWidget(edit, row, 1);
        if (browse != nullptr) {
            *browse = new QPushButton(Q(Text(browseCaption)), this);
            (*browse)->setObjectName(browseName);
            (*browse)->setAutoDefault(false);
            lines->addWidget(*browse, row, 2);
        }
    };
    line(0, "Configuration", Q(Text(txt::SeriesConfiguration)) + ':', configuration_, nullptr,
         nullptr, 0);
    // The configuration is the window's; it is shown, not chosen here.
    configuration_->setReadOnly(true);
    line(1, "Plan", Q(Text(txt::SeriesPlanCaption)), plan_, &browsePlan_, "btnBrowsePlan",
         txt::SeriesBrowsePlan);
    line(2, "Record", Q(Text(txt::SeriesRecordCaption)), record_, &browseRecord_, "btnBrowseRecord",
         txt::SeriesBrowseRecord);
    // A row the record gives to a unit already, to be given again: the
    // confirmation names the unit that has it.
    line(3, "Redo", Q(Text(txt::SeriesRedoCaption)), redo_, nullptr, nullptr, 0);
    lines->setColumnStretch(1, 1);
    connect(browsePlan_, &QPushButton::clicked, this, [this] { btnBrowsePlanClick(); });
    connect(browseRecord_, &QPushButton::clicked, this, [this] { btnBrowseRecordClick(); });

    return lines;
}

void TfrmSeries::BuildUnitsTable() {
    const FontScale scaled(*this);
    units_ = new QTableWidget(0, kColumns, this);
    units_->setObjectName("tblUnits");
    units_->setAccessibleName(Q(Text(txt::AccessUnits)));
    units_->setHorizontalHeaderLabels({Q(Text(txt::PlanLabel)), Q(Text(txt::SerialNumber)),
                                       Q(Text(txt::HistoryResult)), Q(Text(txt::SeriesTime))});
    units_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    units_->setSelectionBehavior(QAbstractItemView::SelectRows);
    units_->setSelectionMode(QAbstractItemView::SingleSelection);
    units_->verticalHeader()->hide();
    units_->setWordWrap(false);
    units_->setMinimumSize(scaled(640), scaled(200));
    units_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    QHeaderView* header = units_->horizontalHeader();
    header->setSectionResizeMode(kLabel, QHeaderView::Interactive);
    header->setSectionResizeMode(kSerialNumber, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kResult, QHeaderView::Stretch);
    header->setSectionResizeMode(kTime, QHeaderView::ResizeToContents);
    units_->setColumnWidth(kLabel, fontMetrics().averageCharWidth() * kLabelCharacters);
}

QHBoxLayout* TfrmSeries::BuildButtons() {
    start_ = new QPushButton(Q(Text(txt::SeriesStart)), this);
    start_->setObjectName("btnStart");
    stop_ = new QPushButton(Q(Text(txt::SeriesStop)), this);
    stop_->setObjectName("btnStop");
    close_ = new QPushButton(Q(Text(txt::SeriesClose)), this);
    close_->setObjectName("btnClose");
    // Enter in an edit starts nothing: only a click on a button.
    for (QPushButton* button : {start_, stop_, close_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(start_, &QPushButton::clicked, this, [this] { btnStartClick(); });
    connect(stop_, &QPushButton::clicked, this, [this] { btnStopClick(); });
    connect(close_, &QPushButton::clicked, this, &TfrmSeries::reject);

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    buttons->addWidget(close_);

    return buttons;
}

TfrmSeries::~TfrmSeries() = default;

void TfrmSeries::Prepare() {
    const ProgramState& state = session_.State();
    configurationName_ = SeriesConfigurationName(state, owner_.windowTitle().toStdString());
    ShowPath(configuration_, Q(configurationName_));
    if (record_->text().trimmed().isEmpty()) {
        ShowPath(record_, Q(DefaultCommissioningRecord(state.ProgramDataDirectory)));
    }
    units_->setRowCount(0);
    SetStatusLine({});
    progress_->reset();
    EnableControls();
    plan_->setFocus();
}

void TfrmSeries::btnBrowsePlanClick() {
    const FileDialogOptions options{
        Text(txt::SeriesPlanDialogTitle), Text(txt::SeriesCsvFiles), "*.csv",
        FileNamePart(plan_->text().toStdString()),
        FolderOf(plan_->text(), session_.State().ActiveConfigDirectory)};
    if (const std::optional<std::string> chosen = ui_.ChooseFileToOpen(options)) {
        ShowPath(plan_, Q(*chosen));
    }
}

void TfrmSeries::btnBrowseRecordClick() {
    const std::string fallback = session_.State().ProgramDataDirectory;
    const FileDialogOptions options{Text(txt::SeriesRecordDialogTitle), Text(txt::SeriesCsvFiles),
                                    "*.csv", FileNamePart(record_->text().toStdString()),
                                    FolderOf(record_->text(), fallback)};
    // The record is appended to: an existing file is no question.
    if (const std::optional<std::string> chosen = ui_.ChooseFileToSave(options)) {
        ShowPath(record_, Q(*chosen));
    }
}

void TfrmSeries::btnStartClick() {
    if (running_) {
        return;
    }
    const std::string record = record_->text().trimmed().toStdString();
    std::vector<std::string> redo;
    if (!redo_->text().trimmed().isEmpty()) {
        redo.push_back(redo_->text().trimmed().toStdString());
    }
    // The form as Write to device reads it; the window's boxes say what is
    // wrong. The series works on a copy of the window's state.
    Result<SeriesSetup, SeriesRefusal> setup =
        PrepareSeries(session_.State(), ui_, configurationName_,
                      plan_->text().trimmed().toStdString(), record, redo);
    if (!setup) {
        return;
    }
    ShowPath(record_, Q(setup->record.Path()));
    // Reserved codes, what the record holds already and the rows given
    // again: the user confirms them before the first unit.
    if (!setup->notes.empty()) {
        std::string question;
        for (const std::string& note : setup->notes) {
            question += note + "\n";
        }
        if (!ui_.AskYesNo(question + "\n" + Text(txt::SeriesConfirm))) {
            return;
        }
    }
    redo_->clear();
    run_ = std::make_unique<SeriesEngine>(std::move(*setup), session_.Link(), *events_);
    running_ = true;
    stopRequested_ = false;
    units_->setRowCount(0);
    progress_->reset();
    SetStatusLine(Q(Text(txt::SeriesWaitingForUnit)));
    EnableControls();
    if (run_->Finished()) {
        // The record has a unit for every row already.
        Finish(Q(Text(txt::SeriesPlanComplete)));
        return;
    }
    timer_->start(0);
}

void TfrmSeries::btnStopClick() {
    if (!running_) {
        return;
    }
    if (stepping_) {
        // The unit being programmed is finished first; Look ends the series.
        stopRequested_ = true;
        SetStatusLine(Q(Text(txt::SeriesStopping)));
        EnableControls();
        return;
    }
    Finish({});
}

void TfrmSeries::Look() {
    if (!running_ || stepping_) {
        return;
    }
    QElapsedTimer started;
    started.start();
    stepping_ = true;
    std::optional<UnitReport> report;
    try {
        report = run_->Step();
    } catch (...) {
        // The application shows what went wrong; the series ends here, or
        // the dialog could never be closed again.
        stepping_ = false;
        Finish({});
        throw;
    }
    stepping_ = false;
    if (report) {
        AddRow(*report);
        if (!report->recordProblem.empty()) {
            // A unit the record does not hold must not go unnoticed: the
            // series ends here, and the box says why.
            const std::string problem = report->recordProblem;
            Finish({});
            ui_.ShowErrorWithReason(TextF(txt::RecordUnwritable, run_->RecordPath()), problem);
            return;
        }
    }
    if (run_->Finished()) {
        Finish(Q(Text(txt::SeriesPlanComplete)));
        return;
    }
    if (stopRequested_) {
        Finish({});
        return;
    }
    ShowWaiting();
    // The next look when the link's clock says it is due (under the
    // simulator's zero time that comes sooner in real time), and never at
    // once, so the event loop is never kept busy.
    const auto due = std::chrono::ceil<std::chrono::milliseconds>(run_->UntilNextLook()).count();
    const auto interval = std::chrono::milliseconds(SeriesEngine::kPollInterval).count();
    timer_->start(static_cast<int>(
        std::clamp<qint64>(std::min<qint64>(due, interval - started.elapsed()), 1, interval)));
}

void TfrmSeries::AddRow(const UnitReport& report) {
    const int row = units_->rowCount();
    units_->insertRow(row);
    const QString texts[kColumns] = {Q(report.label), Q(report.serialNumber), Q(report.resultText),
                                     QLocale().toString(report.seconds, 'f', 1)};
    for (int column = 0; column < kColumns; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        // A long failure or label is whole in its tool tip.
        item->setToolTip(texts[column]);
        if (column == kSerialNumber || column == kTime) {
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        units_->setItem(row, column, item);
    }
    // The labels' column grows with them, up to a third of the table.
    units_->resizeColumnToContents(kLabel);
    const int narrowest = fontMetrics().averageCharWidth() * kLabelCharacters;
    const int widest = std::max(narrowest, units_->viewport()->width() / 3);
    units_->setColumnWidth(kLabel, std::clamp(units_->columnWidth(kLabel), narrowest, widest));
    units_->scrollToBottom();
}

void TfrmSeries::ShowWaiting() {
    SetStatusLine(Q(Text(SeriesWaitText(run_->Waiting()))));
}

void TfrmSeries::Finish(const QString& first) {
    timer_->stop();
    running_ = false;
    stopRequested_ = false;
    progress_->reset();
    const QString summary = Q(SeriesSummaryText(run_->Totals()));
    SetStatusLine(first.isEmpty() ? summary : first + '\n' + summary);
    EnableControls();
}

void TfrmSeries::SetStatusLine(const QString& text) {
    status_->setText(text);
}

QString TfrmSeries::StatusLine() const {
    return status_->text();
}

void TfrmSeries::EnableControls() {
    for (QWidget* idle : {static_cast<QWidget*>(plan_), static_cast<QWidget*>(record_),
                          static_cast<QWidget*>(redo_), static_cast<QWidget*>(browsePlan_),
                          static_cast<QWidget*>(browseRecord_), static_cast<QWidget*>(start_),
                          static_cast<QWidget*>(close_)}) {
        idle->setEnabled(!running_);
    }
    stop_->setEnabled(running_ && !stopRequested_);
}

void TfrmSeries::reject() {
    if (!running_) {
        QDialog::reject();
    }
}

void TfrmSeries::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmSeries::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        CentreOver(*this, owner_);
    }
    QDialog::showEvent(event);
}

}  // namespace qzt
