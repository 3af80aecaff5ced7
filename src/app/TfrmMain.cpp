#include "app/TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/Placement.h"
#include "app/QtUserInterface.h"
#include "app/TfrmAbout.h"
#include "app/TfrmSelectDirectory.h"
#include "app/TfrmWriteRadioCodes.h"
#include "app/TypedCharacter.h"
#include "config/TimeSchedule.h"
#include "core/FormCodec.h"
#include "core/StartUp.h"
#include "core/WindowTitle.h"
#include "device/Backends.h"
#include "device/commands/DeviceCommands.h"
#include "device/link/TUsbInterface.h"
#include "files/FileCommands.h"
#include "text/Text.h"

namespace qzt {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Run-time captions: which control shows which text of the string table.
// They replace the design-time captions once start-up has got this far.
struct Caption {
    const char* control;
    int text;
};
constexpr Caption kCaptions[] = {
    {"mnuFile", txt::MenuFile},
    {"mnuFileNew", txt::MenuFileNew},
    {"mnuFileOpen", txt::MenuFileOpen},
    {"mnuFileSave", txt::MenuFileSave},
    {"mnuFileSaveAs", txt::MenuFileSaveAs},
    {"mnuFileSelectDefaultDirectory", txt::MenuFileSelectDefaultDirectory},
    {"mnuFileExit", txt::MenuFileExit},
    {"mnuCom", txt::MenuCom},
    {"mnuComReadFromDevice", txt::MenuComReadFromDevice},
    {"mnuComWriteToDevice", txt::MenuComWriteToDevice},
    {"mnuComChangeDeviceRadioCodes", txt::MenuComChangeDeviceRadioCodes},
    {"mnuHelp", txt::MenuHelp},
    {"mnuHelpAbout", txt::MenuHelpAbout},
    {"pumnuView", txt::PopupViewSettings},
    {"gbxInputs", txt::GroupInputs},
    {"lblSendAlarm", txt::SendAlarm},
    {"lblInputsRadioCode", txt::RadioCode},
    {"lblAlarmType", txt::AlarmType},
    {"lblAlarmWhenAllowUser", txt::RowAllowUser},
    {"lblAlarmWhenDoorClosed", txt::RowDoorClosed},
    {"lblAlarmWhenDoorOpened", txt::RowDoorOpened},
    {"lblAlarmWhenInputClosed", txt::RowInputClosed},
    {"lblAlarmWhenInputOpened", txt::RowInputOpened},
    {"gbxAlarmDelay", txt::GroupAlarmDelay},
    {"lblInPassageDelay", txt::InPassageDelay},
    {"lblOutPassageDelay", txt::OutPassageDelay},
    {"lblAutoResetTime", txt::AutoResetTime},
    {"gbxTechnicalAlarms", txt::GroupTechnicalAlarms},
    {"lblTechnicalRadioCode", txt::RadioCode},
    {"lblRadioTestAlarmPeriod", txt::RadioTestAlarmPeriod},
    {"lblBatteryAlarmPeriod", txt::BatteryAlarmPeriod},
    {"lblInactivityTimeLimit", txt::InactivityTimeLimit},
    {"gbxTimeSchedule", txt::GroupTimeSchedule},
    {"lblEnableTimeSchedule", txt::EnableTimeSchedule},
    {"lblActivationTime", txt::ActivationTime},
    {"lblInactivationTime", txt::InactivationTime},
    {"lblDaylightSavingTimeRegion", txt::DaylightSavingTimeRegion},
    {"lblMostRecentDateTime", txt::MostRecentDateTime},
    {"lblDate", txt::Date},
    {"lblTime", txt::Time},
    {"gbxRadioParameters", txt::GroupRadioParameters},
    {"lblNumberOfShortTransmissions", txt::NumberOfShortTransmissions},
    {"lblNumberOfLongTransmissions", txt::NumberOfLongTransmissions},
    {"lblIgnoreReceivedAcknowledge", txt::IgnoreReceivedAcknowledge},
    {"gbxMiscellaneous", txt::GroupMiscellaneous},
    {"lblIgnorePowerSwitch", txt::IgnorePowerSwitch},
    {"gbxPeekFunction", txt::GroupPeekFunction},
    {"lblEnablePeekFunction", txt::EnablePeekFunction},
    {"lblDoorMatSensorType", txt::DoorMatSensorType},
    {"lblMaxTimeOutsideDoor", txt::MaxTimeOutsideDoor},
    {"gbxProductInformation", txt::GroupProductInformation},
    {"lblProgramVersion", txt::ProgramVersion},
    {"lblSerialNumber", txt::SerialNumber},
    {"lblProductionDate", txt::ProductionDate},
    {"lblRadioCalibration", txt::RadioCalibration},
};

// Builds the controls of one group. Widths are those of the original layout
// at 96 dpi with an 8-point font, scaled to the font in use so that no
// caption or value is clipped.
class FormBuilder {
  public:
    explicit FormBuilder(double scale) : scale_(scale) {}

    QGroupBox* Group(QWidget* parent, const char* name, const char* designCaption) {
        auto* group = new QGroupBox(QString::fromUtf8(designCaption), parent);
        group->setObjectName(name);
        grid_ = new QGridLayout(group);
        grid_->setHorizontalSpacing(8);
        grid_->setVerticalSpacing(6);
        parent_ = group;
        return group;
    }

    QLabel* Label(const char* name, const char* designCaption) {
        auto* label = new QLabel(QString::fromUtf8(designCaption), parent_);
        label->setObjectName(name);
        return label;
    }

    // The typing limits of an edit are its entry rule's (config/EntryRules.h),
    // applied by the window's key filter: a Qt maximum length would also cut
    // a longer value that decoding puts there.
    QLineEdit* Edit(const char* name, int width, bool enabled = true) {
        auto* edit = new QLineEdit(parent_);
        edit->setObjectName(name);
        edit->setFixedWidth(Scaled(width));
        edit->setEnabled(enabled);
        return edit;
    }

    QLineEdit* ReadOnlyEdit(const char* name, int width) {
        QLineEdit* edit = Edit(name, width, /*enabled=*/false);
        edit->setReadOnly(true);
        return edit;
    }

    QCheckBox* Check(const char* name, bool enabled = true) {
        auto* check = new QCheckBox(parent_);
        check->setObjectName(name);
        check->setEnabled(enabled);
        return check;
    }

    QComboBox* Combo(const char* name, int width, bool enabled = true) {
        auto* combo = new QComboBox(parent_);
        combo->setObjectName(name);
        combo->setEditable(false);  // pick-only: no free text
        combo->setMinimumWidth(Scaled(width));
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setEnabled(enabled);
        return combo;
    }

    // One line: a label on the left and its control to the right.
    void Line(QLabel* label, QWidget* control) {
        int row = grid_->rowCount();
        grid_->addWidget(label, row, 0);
        grid_->addWidget(control, row, 1, Qt::AlignLeft);
    }

    QGridLayout* Grid() const { return grid_; }
    QWidget* Parent() const { return parent_; }
    int Scaled(int width) const { return static_cast<int>(std::lround(width * scale_)); }

  private:
    double scale_;
    QGroupBox* parent_ = nullptr;
    QGridLayout* grid_ = nullptr;
};

QFrame* Separator(QWidget* parent, const char* name) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// While the unit is busy the main window takes no input. The operation lets
// the window paint now and then, and a command that ran then would close the
// link in use. So its commands are disabled (which also silences their
// shortcuts), and keys, clicks and drops meant for it are swallowed; the
// operation's own dialog and message boxes are windows of their own and work
// as usual. Input the window system held back meanwhile is swallowed at the
// end too, rather than run after the operation.
class BusyWindow : public QObject {
  public:
    BusyWindow(QWidget& window, const std::vector<QAction*>& commands, bool& running)
        : window_(window), running_(running) {
        running_ = true;
        for (QAction* action : commands) {
            if (action->isEnabled()) {
                action->setEnabled(false);
                disabled_.push_back(action);
            }
        }
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~BusyWindow() override {
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(this);
        for (QAction* action : disabled_) {
            action->setEnabled(true);
        }
        running_ = false;
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::InputMethod: {
                const auto* widget = qobject_cast<const QWidget*>(receiver);
                return widget != nullptr && widget->window() == &window_;
            }
            default:
                return false;
        }
    }

  private:
    QWidget& window_;
    bool& running_;
    std::vector<QAction*> disabled_;
};

}  // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QMainWindow(parent),
      folders_(std::make_shared<SystemFolders>()),
      link_(std::make_unique<TUsbInterface>(MakeBackend(deviceOptions_))) {
    setObjectName("frmMain");
    // Fixed border with system menu and minimise box; no maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(Q(Text(txt::ProgramName)));
    ui_ = std::make_unique<QtUserInterface>(*this);
    BuildMenus();
    BuildForm();
    BindForm();

    auto* status = new QStatusBar(this);
    status->setObjectName("sbStatus");
    status->setSizeGripEnabled(false);
    statusLabel_ = new QLabel(status);
    statusLabel_->setObjectName("sbStatusText");
    // A long message must not widen the fixed window.
    statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status->addWidget(statusLabel_, 1);
    // Block n of N while the unit is busy, beside the status text, no higher
    // than the text so that the window keeps its size.
    progress_ = new QProgressBar(status);
    progress_->setObjectName("pbProgress");
    progress_->setFormat("%v / %m");
    progress_->setFixedHeight(statusLabel_->sizeHint().height());
    progress_->setFixedWidth(fontMetrics().averageCharWidth() * 24);
    progress_->hide();
    status->addPermanentWidget(progress_);
    setStatusBar(status);

    // The window takes the size its contents need and cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TfrmMain::~TfrmMain() = default;

UserInterface& TfrmMain::Ui() {
    return *ui_;
}

void TfrmMain::SetUserInterface(std::unique_ptr<QtUserInterface> ui) {
    ui_ = std::move(ui);
}

void TfrmMain::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    auto menu = [&](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromUtf8(caption));
        m->setObjectName(name);
        return m;
    };
    // Every command is refused while a device operation runs (its action is
    // disabled then, and the handler checks once more).
    auto item = [this](QMenu* m, const char* name, const char* caption,
                       void (TfrmMain::*handler)() = nullptr,
                       QKeySequence shortcut = QKeySequence()) {
        QAction* action = m->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        action->setShortcut(shortcut);
        if (handler != nullptr) {
            connect(action, &QAction::triggered, this, [this, handler] {
                if (!deviceOperationRunning_) {
                    (this->*handler)();
                }
            });
        }
        commands_.push_back(action);
        return action;
    };
    auto separator = [](QMenu* m, const char* name) { m->addSeparator()->setObjectName(name); };

    QMenu* file = menu("mnuFile", "&File");
    item(file, "mnuFileNew", "&New", &TfrmMain::mnuFileNewClick,
         QKeySequence(Qt::CTRL | Qt::Key_N));
    item(file, "mnuFileOpen", "&Open...", &TfrmMain::mnuFileOpenClick,
         QKeySequence(Qt::CTRL | Qt::Key_O));
    separator(file, "N2");
    item(file, "mnuFileSave", "&Save", &TfrmMain::mnuFileSaveClick,
         QKeySequence(Qt::CTRL | Qt::Key_S));
    item(file, "mnuFileSaveAs", "Save &As...", &TfrmMain::mnuFileSaveAsClick);
    separator(file, "N1");
    item(file, "mnuFileSelectDefaultDirectory", "Select default folder...",
         &TfrmMain::mnuFileSelectDefaultDirectoryClick);
    separator(file, "N3");
    item(file, "mnuFileExit", "E&xit", &TfrmMain::mnuFileExitClick);

    QMenu* com = menu("mnuCom", "&Communication");
    item(com, "mnuComReadFromDevice", "&Read from device", &TfrmMain::mnuComReadFromDeviceClick,
         QKeySequence(Qt::CTRL | Qt::Key_R));
    item(com, "mnuComWriteToDevice", "&Write to device", &TfrmMain::mnuComWriteToDeviceClick,
         QKeySequence(Qt::CTRL | Qt::Key_W));
    separator(com, "N4");
    item(com, "mnuComChangeDeviceRadioCodes", "&Change Radio Codes in device",
         &TfrmMain::mnuComChangeDeviceRadioCodesClick);

    QMenu* help = menu("mnuHelp", "&Help");
    item(help, "mnuHelpAbout", "&About...", &TfrmMain::mnuHelpAboutClick);

    pumnuDST_ = new QMenu(this);
    pumnuDST_->setObjectName("pumnuDST");
    item(pumnuDST_, "pumnuView", "View settings...", &TfrmMain::pumnuViewClick);
}

void TfrmMain::BuildForm() {
    // The original layout was drawn for a font whose average character is 5
    // pixels wide.
    const double scale = std::max(1.0, fontMetrics().averageCharWidth() / 5.0);
    FormBuilder b(scale);

    auto* pnlMain = new QWidget(this);
    pnlMain->setObjectName("pnlMain");
    setCentralWidget(pnlMain);
    auto* columns = new QGridLayout(pnlMain);
    columns->setContentsMargins(8, 8, 8, 8);
    columns->setSpacing(8);

    // The groups are created in keyboard order; inside a group line by line.
    QGroupBox* inputs = b.Group(pnlMain, "gbxInputs", "Inputs");
    {
        QGridLayout* g = b.Grid();
        g->addWidget(b.Label("lblSendAlarm", "Send Alarm"), 0, 1);
        g->addWidget(b.Label("lblInputsRadioCode", "Radio Code"), 0, 2);
        g->addWidget(b.Label("lblAlarmType", "Alarm Type"), 0, 3);
        struct Row {
            const char* label;
            const char* caption;
            const char* check;
            const char* code;
            const char* type;
        };
        const Row rows[] = {
            {"lblAlarmWhenAllowUser", "Allow user out of pad (bed/chair)", "cbAllowUserSendAlarm",
             "edtAllowUserRadioCode", "cbbxAllowUserAlarmType"},
            {"lblAlarmWhenDoorClosed", "Pad connection (on)", "cbDoorClosedSendAlarm",
             "edtDoorClosedRadioCode", "cbbxDoorClosedAlarmType"},
            {"lblAlarmWhenDoorOpened", "Pad connection (off)", "cbDoorOpenedSendAlarm",
             "edtDoorOpenedRadioCode", "cbbxDoorOpenedAlarmType"},
            {"lblAlarmWhenInputClosed", "On pad (bed/chair)", "cbInputClosedSendAlarm",
             "edtInputClosedRadioCode", "cbbxInputClosedAlarmType"},
            {"lblAlarmWhenInputOpened", "Out of pad (bed/chair)", "cbInputOpenedSendAlarm",
             "edtInputOpenedRadioCode", "cbbxInputOpenedAlarmType"},
        };
        int gridRow = 1;
        for (int i = 0; i < 5; ++i) {
            // Separators below the first row and below the third.
            if (i == 1 || i == 3) {
                g->addWidget(Separator(inputs, i == 1 ? "Panel1" : "pnlInputsDelimiter"), gridRow++,
                             0, 1, 4);
            }
            g->addWidget(b.Label(rows[i].label, rows[i].caption), gridRow, 0);
            g->addWidget(b.Check(rows[i].check), gridRow, 1, Qt::AlignLeft);
            // Radio codes are shown here, never edited: they change only
            // through Change Radio Codes in device.
            g->addWidget(b.ReadOnlyEdit(rows[i].code, 57), gridRow, 2, Qt::AlignLeft);
            g->addWidget(b.Combo(rows[i].type, 209), gridRow, 3);
            ++gridRow;
        }
        g->setColumnStretch(3, 1);
    }

    auto* leftColumn = new QVBoxLayout();
    leftColumn->setSpacing(8);
    QGroupBox* alarmDelay = b.Group(pnlMain, "gbxAlarmDelay", "Alarm Delay");
    b.Line(b.Label("lblInPassageDelay", "On pad delay (s)"), b.Edit("edtInPassageDelay", 57));
    b.Line(b.Label("lblOutPassageDelay", "Out of pad delay (s)"), b.Edit("edtOutPassageDelay", 57));
    b.Line(b.Label("lblAutoResetTime", "Time allowed out of pad (s)"),
           b.Edit("edtAutoResetTime", 57));
    leftColumn->addWidget(alarmDelay);

    QGroupBox* technical = b.Group(pnlMain, "gbxTechnicalAlarms", "Technical Alarms");
    b.Line(b.Label("lblTechnicalRadioCode", "Radio Code"),
           b.ReadOnlyEdit("edtTechnicalRadioCode", 57));
    b.Line(b.Label("lblRadioTestAlarmPeriod", "Radio test alarm period (h, 0=OFF)"),
           b.Edit("edtRadioTestAlarmPeriod", 57));
    b.Line(b.Label("lblBatteryAlarmPeriod", "Battery alarm period (h, 0=OFF)"),
           b.Edit("edtBatteryAlarmPeriod", 57));
    b.Line(b.Label("lblInactivityTimeLimit", "Inactivity time limit (1-256h)"),
           b.Edit("edtInactivityTimeLimit", 57));
    leftColumn->addWidget(technical);
    leftColumn->addStretch(1);

    QGroupBox* schedule = b.Group(pnlMain, "gbxTimeSchedule", "Time Schedule");
    {
        QGridLayout* g = b.Grid();
        auto timeLine = [&](int row, const char* label, const char* caption, const char* hour,
                            const char* colon, const char* minute) {
            g->addWidget(b.Label(label, caption), row, 0);
            auto* time = new QHBoxLayout();
            time->setSpacing(4);
            // The hour and minute edits follow the enable check box.
            time->addWidget(b.Edit(hour, 33, false));
            time->addWidget(b.Label(colon, ":"));
            time->addWidget(b.Edit(minute, 33, false));
            time->addStretch(1);
            g->addLayout(time, row, 1);
        };
        g->addWidget(b.Label("lblEnableTimeSchedule", "Enable time schedule"), 0, 0);
        g->addWidget(b.Check("cbEnableTimeSchedule"), 0, 1, Qt::AlignLeft);
        timeLine(1, "lblActivationTime", "Activation time (hh:mm)", "edtActivationHour",
                 "lblColon1", "edtActivationMinute");
        timeLine(2, "lblInactivationTime", "Inactivation time (hh:mm)", "edtInactivationHour",
                 "lblColon2", "edtInactivationMinute");
        g->addWidget(b.Label("lblDaylightSavingTimeRegion", "Daylight saving time region"), 3, 0, 1,
                     2);
        QComboBox* region = b.Combo("cbbxDaylightSavingTimeRegion", 305, false);
        region->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(region, &QWidget::customContextMenuRequested, this,
                [this, region](const QPoint& pos) { pumnuDST_->exec(region->mapToGlobal(pos)); });
        g->addWidget(region, 4, 0, 1, 2);
        g->setRowMinimumHeight(5, 8);
        g->addWidget(
            b.Label("lblMostRecentDateTime", "Most recent date/time in QZT (power switch 1-0)"), 6,
            0, 1, 2);
        g->addWidget(b.Label("lblDate", "Date"), 7, 0);
        g->addWidget(b.ReadOnlyEdit("edtDate", 89), 7, 1, Qt::AlignLeft);
        g->addWidget(b.Label("lblTime", "Time"), 8, 0);
        g->addWidget(b.ReadOnlyEdit("edtTime", 89), 8, 1, Qt::AlignLeft);
        g->setRowStretch(9, 1);
    }

    QGroupBox* radio = b.Group(pnlMain, "gbxRadioParameters", "Radio Parameters");
    b.Line(b.Label("lblNumberOfShortTransmissions", "Number of short transmissions"),
           b.Edit("edtNumberOfShortTransmissions", 65));
    b.Line(b.Label("lblNumberOfLongTransmissions", "Number of long transmissions"),
           b.Edit("edtNumberOfLongTransmissions", 65));
    b.Line(b.Label("lblIgnoreReceivedAcknowledge", "Ignore received acknowledge"),
           b.Check("cbIgnoreReceivedAcknowledge"));
    b.Grid()->setRowStretch(b.Grid()->rowCount(), 1);

    // Two groups of the unit's memory that this product does not offer. They
    // are never shown, but decoding and encoding still fill and read them.
    QGroupBox* miscellaneous = b.Group(pnlMain, "gbxMiscellaneous", "Miscellaneous");
    b.Line(b.Label("lblIgnorePowerSwitch", "Ignore power switch"),
           b.Check("cbIgnorePowerSwitch", false));
    miscellaneous->hide();

    QGroupBox* peek = b.Group(pnlMain, "gbxPeekFunction", "Peek Function");
    b.Line(b.Label("lblEnablePeekFunction", "Enable peek function"),
           b.Check("cbEnablePeekFunction", false));
    b.Line(b.Label("lblDoorMatSensorType", "Door mat sensor type"),
           b.Combo("cbbxDoorMatSensorType", 113, false));
    b.Line(b.Label("lblMaxTimeOutsideDoor", "Max time outside door (s)"),
           b.Edit("edtMaxTimeOutsideDoor", 57, false));
    peek->hide();

    QGroupBox* product = b.Group(pnlMain, "gbxProductInformation", "Product Information");
    b.Line(b.Label("lblProgramVersion", "Program version"),
           b.ReadOnlyEdit("edtProgramVersion", 105));
    b.Line(b.Label("lblSerialNumber", "Serial number"), b.ReadOnlyEdit("edtSerialNumber", 105));
    b.Line(b.Label("lblProductionDate", "Production date"),
           b.ReadOnlyEdit("edtProductionDate", 105));
    b.Line(b.Label("lblRadioCalibration", "Radio calibration"),
           b.ReadOnlyEdit("edtRadioCalibration", 105));
    b.Grid()->setRowStretch(b.Grid()->rowCount(), 1);

    // Top row: inputs over the two left columns, radio parameters on the
    // right; bottom row: delays and technical alarms, time schedule, product
    // information.
    columns->addWidget(inputs, 0, 0, 1, 2);
    columns->addWidget(radio, 0, 2);
    columns->addLayout(leftColumn, 1, 0);
    columns->addWidget(schedule, 1, 1);
    columns->addWidget(product, 1, 2);
}

void TfrmMain::BindForm() {
    for (const FormControl& control : kFormControls) {
        QWidget* widget = findChild<QWidget*>(Q(control.name));
        Q_ASSERT_X(widget != nullptr, "TfrmMain::BindForm", "a form control has no widget");
        bound_.push_back({&control, widget});
    }

    for (const EntryRule& rule : kEntryRules) {
        auto* edit = findChild<QLineEdit*>(Q(rule.control));
        Q_ASSERT(edit != nullptr);
        entryRules_.insert(edit, &rule);
        edit->installEventFilter(this);
        // Text arrives by typing and pasting only, where the key filter and
        // the length limit see it; not by dragging or an input method.
        edit->setAcceptDrops(false);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        connect(edit, &QLineEdit::textChanged, this,
                [this, &rule](const QString& text) { EditChange(rule, text); });
    }

    connect(findChild<QCheckBox*>("cbEnablePeekFunction"), &QCheckBox::toggled, this,
            [this] { cbEnablePeekFunctionClick(); });
    connect(findChild<QCheckBox*>("cbEnableTimeSchedule"), &QCheckBox::toggled, this,
            [this] { cbEnableTimeScheduleClick(); });
}

void TfrmMain::ShowForm(const FormModel& form) {
    for (const BoundControl& bound : bound_) {
        const FormControl& control = *bound.control;
        switch (control.kind) {
            case ControlKind::Edit: {
                const QString text = Q(form.*control.text);
                if (control.text == &FormModel::edtProductionDate) {
                    FitProductionDate(text);
                }
                static_cast<QLineEdit*>(bound.widget)->setText(text);
                break;
            }
            case ControlKind::CheckBox:
                static_cast<QCheckBox*>(bound.widget)->setChecked(form.*control.checked);
                break;
            case ControlKind::DropDown: {
                auto* combo = static_cast<QComboBox*>(bound.widget);
                const int selection = form.*control.selection;
                combo->setCurrentIndex(selection < combo->count() ? selection : -1);
                break;
            }
        }
        if (control.enabledBy != nullptr) {
            bound.widget->setEnabled(form.*control.enabledBy);
        }
    }
}

void TfrmMain::ReadForm(FormModel& form) const {
    for (const BoundControl& bound : bound_) {
        const FormControl& control = *bound.control;
        switch (control.kind) {
            case ControlKind::Edit:
                form.*control.text = static_cast<QLineEdit*>(bound.widget)->text().toStdString();
                break;
            case ControlKind::CheckBox:
                form.*control.checked = static_cast<QCheckBox*>(bound.widget)->isChecked();
                break;
            case ControlKind::DropDown:
                form.*control.selection = static_cast<QComboBox*>(bound.widget)->currentIndex();
                break;
        }
    }
    ApplyCouplings(form);
}

void TfrmMain::FitProductionDate(const QString& text) {
    auto* serialNumber = findChild<QLineEdit*>("edtSerialNumber");
    auto* productionDate = findChild<QLineEdit*>("edtProductionDate");
    const int width = serialNumber->minimumWidth();  // fixed
    productionDate->setFixedWidth(text.size() > 10 ? 2 * width : width);
}

void TfrmMain::EditChange(const EntryRule& rule, const QString& text) {
    // Decoding fills the edits with whatever the image holds; it reports a
    // field outside its limits itself.
    if (state_.DecodingInProgress) {
        return;
    }
    if (const int warning = ChangeWarning(rule, text.toStdString())) {
        Ui().ShowError(Text(warning));
    }
}

bool TfrmMain::validateNumericKeyPress(char32_t key) {
    return IsNumericKey(key);
}

bool TfrmMain::validateFloatNumericKeyPress(char32_t key) {
    return IsFloatNumericKey(key, Ui().Locale().DecimalSeparator());
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    const auto rule = entryRules_.constFind(watched);
    if (rule != entryRules_.cend()) {
        auto* edit = static_cast<QLineEdit*>(watched);
        if (event->type() == QEvent::KeyPress) {
            return FilterKey(edit, **rule, static_cast<QKeyEvent*>(event));
        }
        if (event->type() == QEvent::ContextMenu) {
            ShowEditMenu(edit, **rule, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TfrmMain::FilterKey(QLineEdit* edit, const EntryRule& rule, QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        // Ctrl+V and Shift+Insert: pasted text is not filtered, only cut.
        LimitedPaste(edit, rule);
        return true;
    }
    const char32_t key = TypedCharacter(event);
    if (key == 0) {
        return false;
    }
    const bool accepted = rule.filter == KeyFilter::Decimal ? validateFloatNumericKeyPress(key)
                                                            : validateNumericKeyPress(key);
    if (!accepted) {
        return true;  // dropped: the field receives no character
    }
    if (key >= U' ') {
        // A character that goes into the text: only when there is room.
        const qsizetype kept = edit->text().size() - edit->selectedText().size();
        return kept >= rule.maxLength;
    }
    return false;  // Backspace, Ctrl+C, Ctrl+X: the edit's own handling
}

void TfrmMain::LimitedPaste(QLineEdit* edit, const EntryRule& rule) {
    if (edit->isReadOnly() || !edit->isEnabled()) {
        return;
    }
    QString text = QGuiApplication::clipboard()->text();
    const qsizetype lineEnd = text.indexOf(QRegularExpression("[\\r\\n]"));
    if (lineEnd >= 0) {
        text.truncate(lineEnd);
    }
    const qsizetype room = rule.maxLength - (edit->text().size() - edit->selectedText().size());
    text.truncate(std::max<qsizetype>(room, 0));
    if (!text.isEmpty()) {
        edit->insert(text);
    }
}

void TfrmMain::ShowEditMenu(QLineEdit* edit, const EntryRule& rule, const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    // The menu's Paste obeys the same length limit as Ctrl+V. Qt connects it
    // to the edit's paste() by name, so it is found by that connection.
    for (QAction* action : menu->actions()) {
        if (QObject::disconnect(action, nullptr, edit, SLOT(paste()))) {
            connect(action, &QAction::triggered, this,
                    [this, edit, &rule] { LimitedPaste(edit, rule); });
        }
    }
    menu->exec(globalPos);
}

void TfrmMain::ApplyCoupling(std::string_view checkBox) {
    for (const Coupling& coupling : kCouplings) {
        if (coupling.checkBox != checkBox) {
            continue;
        }
        const bool on = findChild<QCheckBox*>(Q(coupling.checkBox))->isChecked();
        for (const BoundControl& bound : bound_) {
            if (bound.control->enabledBy == coupling.enabled) {
                bound.widget->setEnabled(on);
            }
        }
    }
}

void TfrmMain::cbEnablePeekFunctionClick() {
    ApplyCoupling("cbEnablePeekFunction");
}

void TfrmMain::cbEnableTimeScheduleClick() {
    ApplyCoupling("cbEnableTimeSchedule");
}

void TfrmMain::pumnuViewClick() {
    const auto* region = findChild<QComboBox*>("cbbxDaylightSavingTimeRegion");
    const CodecContext context = CodecContextFor(state_, Ui());
    if (const auto text = DaylightSavingSettingsText(region->currentIndex(), context)) {
        Ui().ShowInformation(*text);
    }
}

void TfrmMain::FormCreate(const StartOptions& options) {
    state_.DecodingInProgress = false;
    // Files dropped from the desktop are accepted by the window.
    setAcceptDrops(true);

    folders_ = options.folders ? options.folders : std::make_shared<SystemFolders>();
    // The link starts closed; every device operation opens and closes it.
    deviceOptions_ = ParseDeviceOptions(options.arguments);
    link_ = std::make_unique<TUsbInterface>(MakeBackend(deviceOptions_));
    const std::vector<std::string> paths = PathArguments(options.arguments);
    try {
        RunStartUp(state_, *folders_, paths);
        FillDropDowns();
        ApplyCaptions();
        FileNew(state_, *ui_);
        // The first argument that names an existing file is opened after the
        // default configuration; a refused file leaves the default shown.
        if (std::optional<std::string> file = CommandLineFile(paths)) {
            OpenCommandLineFile(state_, *ui_, *file);
        }
    } catch (const std::exception& error) {
        // The standard error box; the window opens as far as it got.
        ui_->ShowError(error.what());
    }
    if (!deviceOptions_.Valid()) {
        // A device option that was not understood: the window still opens,
        // and the device commands find no box.
        ui_->ShowError(deviceOptions_.error);
    }
}

void TfrmMain::FillDropDowns() {
    for (const DropDownSource& source : kDropDownSources) {
        auto* combo = findChild<QComboBox*>(
            QString::fromUtf8(source.control.data(), static_cast<int>(source.control.size())));
        combo->clear();
        for (const ValueListEntry& entry : state_.List(source.dropDown).Entries()) {
            combo->addItem(Q(entry.text));
        }
        combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
    }
}

void TfrmMain::ApplyCaptions() {
    for (const Caption& caption : kCaptions) {
        const QString text = Q(Text(caption.text));
        QObject* control = findChild<QObject*>(caption.control);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setText(text);
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            group->setTitle(text);
        } else if (auto* menu = qobject_cast<QMenu*>(control)) {
            menu->setTitle(text);
        } else if (auto* action = qobject_cast<QAction*>(control)) {
            action->setText(text);
        }
    }
}

void TfrmMain::FormShow() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->geometry();
        // The frame as the window system will draw it around the contents.
        QSize frame = size();
        if (QWindow* handle = windowHandle()) {
            const QMargins margins = handle->frameMargins();
            frame += QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
        }
        move(CentredIn(area, frame));
    }
    QGuiApplication::setApplicationDisplayName(Q(Text(txt::ProgramName)));
}

void TfrmMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
    QMainWindow::showEvent(event);
}

void TfrmMain::SetStatusText(const QString& text) {
    statusText_ = text;
    // The status bar holds one line.
    QString line = text;
    line.replace('\n', ' ');
    statusLabel_->setText(line);
}

void TfrmMain::RefreshTitle() {
    qzt::RefreshTitle(state_, *ui_);
}

void TfrmMain::ShowProgress(std::size_t block, std::size_t blocks) {
    progress_->setMaximum(static_cast<int>(blocks));
    progress_->setValue(static_cast<int>(block));
    progress_->show();
}

void TfrmMain::EndProgress() {
    progress_->hide();
    progress_->reset();
}

void TfrmMain::CreateDialogs() {
    frmAbout_ = new TfrmAbout(*this, deviceOptions_);
    frmSelectDirectory_ = new TfrmSelectDirectory(*this);
    frmWriteRadioCodes_ = new TfrmWriteRadioCodes(*this);
}

void TfrmMain::mnuHelpAboutClick() {
    ui_->ExecDialog(*frmAbout_);
}

void TfrmMain::mnuFileSelectDefaultDirectoryClick() {
    frmSelectDirectory_->SetFolder(state_.ActiveConfigDirectory);
    if (ui_->ExecDialog(*frmSelectDirectory_) != QDialog::Accepted) {
        return;
    }
    try {
        StoreActiveConfigDirectory(state_, frmSelectDirectory_->Folder());
    } catch (const ValuesIniWriteError& error) {
        // The standard error box; the new folder stays active for this run.
        ui_->ShowError(error.what());
    }
}

void TfrmMain::mnuFileNewClick() {
    FileNew(state_, *ui_);
}

void TfrmMain::mnuFileOpenClick() {
    FileOpen(state_, *ui_);
}

void TfrmMain::mnuFileSaveClick() {
    FileSave(state_, *ui_);
}

void TfrmMain::mnuFileSaveAsClick() {
    FileSaveAs(state_, *ui_);
}

void TfrmMain::RunDeviceOperation(const std::function<void()>& operation) {
    if (deviceOperationRunning_) {
        return;
    }
    BusyWindow busy(*this, commands_, deviceOperationRunning_);
    operation();
}

void TfrmMain::mnuComReadFromDeviceClick() {
    RunDeviceOperation([this] { ReadFromDevice(state_, *link_, *ui_); });
}

void TfrmMain::mnuComWriteToDeviceClick() {
    RunDeviceOperation([this] { WriteToDevice(state_, *link_, *ui_); });
}

void TfrmMain::mnuComChangeDeviceRadioCodesClick() {
    RunDeviceOperation([this] { ChangeDeviceRadioCodes(state_, *link_, *ui_); });
}

// The window is not closed under a device operation that runs.
void TfrmMain::closeEvent(QCloseEvent* event) {
    if (deviceOperationRunning_) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// Files dragged from the desktop: only local files are taken.
void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (deviceOperationRunning_) {
        event->ignore();
        return;
    }
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool local = !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& u) {
        return u.isLocalFile();
    });
    if (local) {
        event->acceptProposedAction();
    }
}

void TfrmMain::dropEvent(QDropEvent* event) {
    if (deviceOperationRunning_) {
        event->ignore();
        return;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    event->acceptProposedAction();
    DropFiles(state_, *ui_, paths);
}

void TfrmMain::mnuFileExitClick() {
    switch (ui_->AskYesNoCancel(Text(txt::ExitQuestion))) {
        case UserInterface::Answer::Yes:
            // Whatever the save did, the program ends.
            mnuFileSaveClick();
            link_->Close();
            close();
            break;
        case UserInterface::Answer::No:
            link_->Close();
            close();
            break;
        case UserInterface::Answer::Cancel:
            break;
    }
}

}  // namespace qzt
