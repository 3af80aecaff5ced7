#include "app/TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>
#include <utility>

#include "app/AccessibleComboBox.h"
#include "app/BusyWindow.h"
#include "app/FormPanel.h"
#include "app/QtUserInterface.h"
#include "app/TfrmAbout.h"
#include "app/TfrmConnection.h"
#include "app/TfrmSelectDirectory.h"
#include "app/TfrmSeries.h"
#include "app/TfrmWriteRadioCodes.h"
#include "app/WindowHelpers.h"
#include "config/TimeSchedule.h"
#include "core/FormCodec.h"
#include "core/StartUp.h"
#include "core/WindowTitle.h"
#include "device/commands/DeviceCommands.h"
#include "device/link/TUsbInterface.h"
#include "files/FileCommands.h"
#include "text/Text.h"

namespace qzt {
namespace {}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), session_(std::make_unique<Session>()) {
    setObjectName("frmMain");
    // Fixed border with system menu and minimise box; no maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(Q(Text(txt::ProgramName)));
    InstallAccessibleComboBoxes();
    ui_ = std::make_unique<QtUserInterface>(*this);
    BuildMenus();
    form_ = new FormPanel(this, *session_, [this]() -> UserInterface& { return Ui(); });
    setCentralWidget(form_);
    // The region's pop-up menu shows its daylight-saving rule.
    form_->SetRegionMenu([this](const QPoint& at) { pumnuDST_->exec(at); });

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
    progress_->setAccessibleName(Q(Text(txt::AccessProgress)));
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

    auto menu = [&](const char* name, int caption) {
        QMenu* m = bar->addMenu(Q(Text(caption)));
        m->setObjectName(name);
        return m;
    };
    // Every command is refused while a device operation runs (its action is
    // disabled then, and the handler checks once more).
    auto item = [this](QMenu* m, const char* name, int caption,
                       void (TfrmMain::*handler)() = nullptr,
                       QKeySequence shortcut = QKeySequence()) {
        QAction* action = m->addAction(Q(Text(caption)));
        action->setObjectName(name);
        action->setShortcut(shortcut);
        if (handler != nullptr) {
            connect(action, &QAction::triggered, this, [this, handler] {
                if (!session_->Busy()) {
                    (this->*handler)();
                }
            });
        }
        commands_.push_back(action);
        return action;
    };
    auto separator = [](QMenu* m, const char* name) { m->addSeparator()->setObjectName(name); };

    QMenu* file = menu("mnuFile", txt::MenuFile);
    item(file, "mnuFileNew", txt::MenuFileNew, &TfrmMain::mnuFileNewClick,
         QKeySequence(Qt::CTRL | Qt::Key_N));
    item(file, "mnuFileOpen", txt::MenuFileOpen, &TfrmMain::mnuFileOpenClick,
         QKeySequence(Qt::CTRL | Qt::Key_O));
    separator(file, "N2");
    item(file, "mnuFileSave", txt::MenuFileSave, &TfrmMain::mnuFileSaveClick,
         QKeySequence(Qt::CTRL | Qt::Key_S));
    item(file, "mnuFileSaveAs", txt::MenuFileSaveAs, &TfrmMain::mnuFileSaveAsClick,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    separator(file, "N1");
    item(file, "mnuFileSelectDefaultDirectory", txt::MenuFileSelectDefaultDirectory,
         &TfrmMain::mnuFileSelectDefaultDirectoryClick)
        ->setText(WithAccessKey(Q(Text(txt::MenuFileSelectDefaultDirectory)), 'd'));
    separator(file, "N3");
    item(file, "mnuFileExit", txt::MenuFileExit, &TfrmMain::mnuFileExitClick);

    QMenu* com = menu("mnuCom", txt::MenuCom);
    item(com, "mnuComReadFromDevice", txt::MenuComReadFromDevice,
         &TfrmMain::mnuComReadFromDeviceClick, QKeySequence(Qt::CTRL | Qt::Key_R));
    item(com, "mnuComWriteToDevice", txt::MenuComWriteToDevice, &TfrmMain::mnuComWriteToDeviceClick,
         QKeySequence(Qt::CTRL | Qt::Key_W));
    separator(com, "N4");
    item(com, "mnuComChangeDeviceRadioCodes", txt::MenuComChangeDeviceRadioCodes,
         &TfrmMain::mnuComChangeDeviceRadioCodesClick);
    item(com, "mnuComSeries", txt::MenuComSeries, &TfrmMain::mnuComSeriesClick);
    separator(com, "N5");
    item(com, "mnuComConnection", txt::MenuComConnection, &TfrmMain::mnuComConnectionClick);

    QMenu* help = menu("mnuHelp", txt::MenuHelp);
    item(help, "mnuHelpAbout", txt::MenuHelpAbout, &TfrmMain::mnuHelpAboutClick);

    pumnuDST_ = new QMenu(this);
    pumnuDST_->setObjectName("pumnuDST");
    item(pumnuDST_, "pumnuView", txt::PopupViewSettings, &TfrmMain::pumnuViewClick);
}

void TfrmMain::pumnuViewClick() {
    const CodecContext context = CodecContextFor(session_->State(), Ui());
    if (const auto text = DaylightSavingSettingsText(form_->RegionIndex(), context)) {
        Ui().ShowInformation(*text);
    }
}

void TfrmMain::FormCreate(const StartOptions& options) {
    session_->State().DecodingInProgress = false;
    // Files dropped from the desktop are accepted by the window.
    setAcceptDrops(true);

    session_->SetFolders(options.folders);
    const std::vector<std::string> paths = PathArguments(options.arguments);
    try {
        RunStartUp(session_->State(), session_->Folders(), paths);
        form_->FillDropDowns();
        form_->ApplyCaptions();
        FileNew(session_->State(), *ui_);
        // The first argument that names an existing file is opened after the
        // default configuration; a refused file leaves the default shown.
        if (std::optional<std::string> file = CommandLineFile(paths)) {
            OpenCommandLineFile(session_->State(), *ui_, *file);
        }
    } catch (const std::exception& error) {
        // The standard error box; the window opens as far as it got.
        ui_->ShowError(error.what());
    }
    // --device= and QZT_DEVICE decide for this run; without them the box
    // chosen in Communication > Connection. The link starts closed; every
    // device operation opens and closes it.
    if (const Result<void> chosen =
            session_->ChooseDevice(options.arguments, std::getenv("QZT_DEVICE"));
        !chosen) {
        // A device option that was not understood: the window still opens,
        // and the device commands find no box.
        ui_->ShowError(chosen.error().message);
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
    // The task bar names the program from its desktop entry (main sets its
    // file name; the entry's Name is "QZT Programmer"). An application
    // display name is not set: the window system would append it to every
    // title that does not already end with it, "Open — QZT Programmer".
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
    statusLabel_->setText(Q(OneLine(text.toStdString())));
}

void TfrmMain::RefreshTitle() {
    qzt::RefreshTitle(session_->State(), *ui_);
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
    frmAbout_ = new TfrmAbout(*this, *session_);
    frmSelectDirectory_ = new TfrmSelectDirectory(*this, *ui_);
    frmWriteRadioCodes_ = new TfrmWriteRadioCodes(*this, *ui_);
}

TfrmConnection* TfrmMain::ConnectionDialog() {
    if (frmConnection_ == nullptr) {
        frmConnection_ = new TfrmConnection(*this, *session_);
    }
    return frmConnection_;
}

TfrmSeries* TfrmMain::SeriesDialog() {
    if (frmSeries_ == nullptr) {
        frmSeries_ = new TfrmSeries(*this, *session_, *ui_);
    }
    return frmSeries_;
}

void TfrmMain::mnuHelpAboutClick() {
    ui_->ExecDialog(*frmAbout_);
}

void TfrmMain::mnuFileSelectDefaultDirectoryClick() {
    frmSelectDirectory_->SetFolder(session_->State().ActiveConfigDirectory);
    if (ui_->ExecDialog(*frmSelectDirectory_) != QDialog::Accepted) {
        return;
    }
    try {
        StoreActiveConfigDirectory(session_->State(), frmSelectDirectory_->Folder());
    } catch (const ValuesIniWriteError& error) {
        // The standard error box; the new folder stays active for this run.
        ui_->ShowError(error.what());
    }
}

void TfrmMain::mnuFileNewClick() {
    FileNew(session_->State(), *ui_);
}

void TfrmMain::mnuFileOpenClick() {
    FileOpen(session_->State(), *ui_);
}

void TfrmMain::mnuFileSaveClick() {
    FileSave(session_->State(), *ui_);
}

void TfrmMain::mnuFileSaveAsClick() {
    FileSaveAs(session_->State(), *ui_);
}

void TfrmMain::RunDeviceOperation(const std::function<void()>& operation) {
    if (session_->Busy()) {
        return;
    }
    BusyWindow busy(*this, commands_, *session_);
    operation();
}

void TfrmMain::mnuComReadFromDeviceClick() {
    RunDeviceOperation([this] { ReadFromDevice(session_->State(), session_->Link(), *ui_); });
}

void TfrmMain::mnuComWriteToDeviceClick() {
    RunDeviceOperation([this] { WriteToDevice(session_->State(), session_->Link(), *ui_); });
}

void TfrmMain::mnuComChangeDeviceRadioCodesClick() {
    RunDeviceOperation(
        [this] { ChangeDeviceRadioCodes(session_->State(), session_->Link(), *ui_); });
}

void TfrmMain::mnuComSeriesClick() {
    // The series uses the window's link between its looks, so nothing else
    // may reach the link while the dialog is open (it is modal, and the
    // window's commands are refused meanwhile).
    RunDeviceOperation([this] {
        SeriesDialog()->Prepare();
        ui_->ExecDialog(*SeriesDialog());
    });
}

void TfrmMain::mnuComConnectionClick() {
    TfrmConnection& connection = *ConnectionDialog();
    connection.Prepare();
    if (ui_->ExecDialog(connection) != QDialog::Accepted) {
        return;
    }
    const std::string device = connection.Choice();
    if (!device.empty()) {
        UseDevice(device);
    }
}

void TfrmMain::UseDevice(const std::string& device) {
    try {
        session_->UseDevice(device);
    } catch (const ValuesIniWriteError& error) {
        // The standard error box; the new device stays in use for this run.
        ui_->ShowError(error.what());
    }
}

// The window is not closed under a device operation that runs.
void TfrmMain::closeEvent(QCloseEvent* event) {
    if (session_->Busy()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// Files dragged from the desktop: only local files are taken.
void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (session_->Busy()) {
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
    if (session_->Busy()) {
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
    DropFiles(session_->State(), *ui_, paths);
}

void TfrmMain::mnuFileExitClick() {
    switch (ui_->AskYesNoCancel(Text(txt::ExitQuestion))) {
        case UserInterface::Answer::Yes:
            // Whatever the save did, the program ends.
            mnuFileSaveClick();
            session_->Link().Close();
            close();
            break;
        case UserInterface::Answer::No:
            session_->Link().Close();
            close();
            break;
        case UserInterface::Answer::Cancel:
            break;
    }
}

void TfrmMain::ShowForm(const FormModel& form) {
    form_->ShowForm(form);
}

void TfrmMain::ReadForm(FormModel& form) const {
    form_->ReadForm(form);
}

}  // namespace qzt
