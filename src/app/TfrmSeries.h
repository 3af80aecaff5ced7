#pragma once
// Communication > Program a series of units: a ward's units one after
// another with the window's configuration and, with a plan, each bed's radio
// codes (series/SeriesEngine.h). The dialog looks at the box about twice
// a second on a timer, programs each new unit, lists it with its result and
// appends it to the commissioning record, until Stop or the plan's end. The
// window's state, form and title are never changed by a series.
//
// While a series runs the dialog stays responsive (Stop works during the
// waits and while a unit is programmed: its ProcessPendingMessages lets user
// input through), but it cannot be closed: a stop takes effect between two
// units only. Created the first time it is needed and prepared each time it is
// shown.

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>
#include <string>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace qzt {

class SeriesEngine;
class Session;
class UserInterface;
struct ProgramState;
struct UnitReport;

// What the series dialog names as the configuration it writes: the file
// (whole path) when the window's title shows a file, else the title's own
// caption, "(Default)" or "(Read from QZT)". After Write to device the title
// keeps naming where the form came from, and so does this.
std::string SeriesConfigurationName(const ProgramState& state, const std::string& windowTitle);

class TfrmSeries : public QDialog {
    Q_OBJECT

  public:
    // Centred over `owner` (whose title names the configuration), on the
    // session's state and link; questions and pickers go through `ui`.
    TfrmSeries(QWidget& owner, Session& session, UserInterface& ui);
    ~TfrmSeries() override;

    // Shows the window's configuration, the record prefilled with the
    // default one when it is empty, an empty table and status line.
    void Prepare();

    // File dialogs through the window's user interface (tests answer them).
    void btnBrowsePlanClick();
    void btnBrowseRecordClick();
    // Checks the form, the plan and the record (their problems in the
    // window's message boxes), asks to confirm the plan's reserved codes,
    // what the record holds already and a row to give again, and then
    // starts looking. A series started again goes on from its record.
    void btnStartClick();
    // Stops now while the series waits; while a unit is programmed, once it
    // is done.
    void btnStopClick();

    bool Running() const { return running_; }
    QString StatusLine() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  public slots:
    // Escape and Close end the dialog only when no series runs.
    void reject() override;

  private:
    // The constructor's parts: the plan, record and redo lines with their
    // browse buttons, the table of units, and the row of buttons.
    QGridLayout* BuildFileLines();
    void BuildUnitsTable();
    QHBoxLayout* BuildButtons();
    class RunEvents;

    // One look at the box (the timer's), then the next one armed.
    void Look();
    void AddRow(const UnitReport& report);
    void ShowWaiting();
    void SetStatusLine(const QString& text);
    // The series has ended: `first` (when not empty) above the summary.
    void Finish(const QString& first);
    void EnableControls();

    QWidget& owner_;
    Session& session_;
    UserInterface& ui_;
    std::unique_ptr<RunEvents> events_;
    std::unique_ptr<SeriesEngine> run_;
    std::string configurationName_;
    bool running_ = false;
    bool stepping_ = false;
    bool stopRequested_ = false;

    QLineEdit* configuration_ = nullptr;
    QLineEdit* plan_ = nullptr;
    QLineEdit* record_ = nullptr;
    QLineEdit* redo_ = nullptr;
    QPushButton* browsePlan_ = nullptr;
    QPushButton* browseRecord_ = nullptr;
    QTableWidget* units_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace qzt
