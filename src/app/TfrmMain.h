#pragma once
// The main window: every field of one configuration image at once, grouped by
// function, a menu bar for the file and device commands and a status bar for
// their results. The window builds its controls and forwards events; the
// logic lives in the libraries below it.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/FormView.h"
#include "config/FormModel.h"
#include "core/PlatformFolders.h"
#include "core/ProgramState.h"
#include "device/DeviceOptions.h"
#include "session/Session.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;

namespace qzt {

class FormPanel;
class QtUserInterface;
class TUsbInterface;
class TfrmAbout;
class TfrmConnection;
class TfrmSelectDirectory;
class TfrmSeries;
class TfrmWriteRadioCodes;
class UserInterface;

struct StartOptions {
    // The command line after the program name.
    std::vector<std::string> arguments;
    // The machine's folders; null means the real ones.
    std::shared_ptr<const PlatformFolders> folders;
};

class TfrmMain : public QMainWindow, public FormView {
    Q_OBJECT

  public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The start-up sequence: folders, provisioning, active folder, value
    // lists, run-time captions. A refused write to Values.ini is shown in the
    // standard error box and leaves the window as far as it got.
    void FormCreate(const StartOptions& options);
    // Centres the window on its screen; runs each time the window is shown.
    void FormShow();

    // What the window shows and works on: state, folders, device and link.
    Session& GetSession() { return *session_; }
    ProgramState& State() { return session_->State(); }
    // The main window's link to the interface box, and the device options it
    // was built from (--device=, QZT_DEVICE, else the stored Setup/Device).
    TUsbInterface& Link() { return session_->Link(); }
    const DeviceOptions& Device() const { return session_->Device(); }
    // The machine's folders the window was started with.
    const PlatformFolders& Folders() const { return session_->Folders(); }
    UserInterface& Ui();
    // Replaces the Qt message boxes and dialogs (tests answer them).
    void SetUserInterface(std::unique_ptr<QtUserInterface> ui);

    QWidget& Widget() override { return *this; }
    void SetStatusText(const QString& text) override;
    QString StatusText() const override { return statusText_; }
    // The progress bar beside the status text: block `block` of `blocks`
    // of the device operation that runs; hidden again at its end.
    void ShowProgress(std::size_t block, std::size_t blocks) override;
    void EndProgress() override;
    // Sets the title from ConfigState and CurrentFileName (not after a write to the unit).
    void RefreshTitle();

    // Creates the dialogs after the main window, in their fixed order; they
    // stay hidden until shown modally.
    void CreateDialogs();
    TfrmWriteRadioCodes* RadioCodesDialog() const override { return frmWriteRadioCodes_; }
    // The Communication menu's own dialogs, made the first time they are
    // needed rather than at start-up.
    TfrmConnection* ConnectionDialog();
    TfrmSeries* SeriesDialog();

    // Help > About...
    void mnuHelpAboutClick();
    // File > Select default folder...
    void mnuFileSelectDefaultDirectoryClick();
    // File > Exit: asks whether to save first.
    void mnuFileExitClick();
    // The File menu's commands on configuration files.
    void mnuFileNewClick();
    void mnuFileOpenClick();
    void mnuFileSaveClick();
    void mnuFileSaveAsClick();
    // The Communication menu's commands on the unit.
    void mnuComReadFromDeviceClick();
    void mnuComWriteToDeviceClick();
    void mnuComChangeDeviceRadioCodesClick();
    // Communication > Program a series of units...: the series dialog on
    // the window's link and a copy of its state, as one device operation
    // for as long as the dialog is open.
    void mnuComSeriesClick();
    // Communication > Connection...: the box the window talks to, chosen
    // from what can be found; OK uses it at once and stores it as
    // Setup/Device.
    void mnuComConnectionClick();
    // True while a device operation runs: the window then takes no command,
    // shortcut or drop, so no second operation starts inside the first.
    bool DeviceOperationRunning() const { return session_->Busy(); }

    // The form's controls from the model and back, one loop over the
    // form's table of controls.
    void ShowForm(const FormModel& form) override;
    void ReadForm(FormModel& form) const override;

    // The region drop-down's pop-up "View settings...": the selected
    // region's daylight-saving rule in an information box.
    void pumnuViewClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenus();
    // Runs a device operation with every command of the window refused
    // meanwhile; nothing when one already runs.
    void RunDeviceOperation(const std::function<void()>& operation);
    // Makes `device` (a --device= value) the session's device and stores it
    // in Values.ini.
    void UseDevice(const std::string& device);

    std::unique_ptr<Session> session_;
    std::unique_ptr<QtUserInterface> ui_;
    QString statusText_;
    QLabel* statusLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    // The menu commands (with their shortcuts), disabled while the unit is
    // busy.
    std::vector<QAction*> commands_;
    QMenu* pumnuDST_ = nullptr;
    TfrmAbout* frmAbout_ = nullptr;
    TfrmSelectDirectory* frmSelectDirectory_ = nullptr;
    TfrmWriteRadioCodes* frmWriteRadioCodes_ = nullptr;
    TfrmConnection* frmConnection_ = nullptr;
    TfrmSeries* frmSeries_ = nullptr;
    FormPanel* form_ = nullptr;
};

}  // namespace qzt
