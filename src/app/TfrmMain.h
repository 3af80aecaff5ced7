#pragma once
// The main window: every field of one configuration image at once, grouped by
// function, a menu bar for the file and device commands and a status bar for
// their results. The window builds its controls and forwards events; the
// logic lives in the libraries below it.

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "core/PlatformFolders.h"
#include "core/ProgramState.h"
#include "device/DeviceOptions.h"

class QLabel;
class QMenu;

namespace qzt {

class QtUserInterface;
class TUsbInterface;
class TfrmAbout;
class TfrmSelectDirectory;
class TfrmWriteRadioCodes;
class UserInterface;

struct StartOptions {
    // The command line after the program name.
    std::vector<std::string> arguments;
    // The machine's folders; null means the real ones.
    std::shared_ptr<const PlatformFolders> folders;
};

class TfrmMain : public QMainWindow {
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

    ProgramState& State() { return state_; }
    // The main window's link to the interface box, and the device options it
    // was built from (--device=, QZT_DEVICE).
    TUsbInterface& Link() { return *link_; }
    const DeviceOptions& Device() const { return deviceOptions_; }
    // The machine's folders the window was started with.
    const PlatformFolders& Folders() const { return *folders_; }
    UserInterface& Ui();
    // Replaces the Qt message boxes and dialogs (tests answer them).
    void SetUserInterface(std::unique_ptr<QtUserInterface> ui);

    void SetStatusText(const QString& text);
    QString StatusText() const { return statusText_; }
    // Sets the title from ConfigState and CurrentFileName (not in state 4).
    void RefreshTitle();

    // Creates the three dialogs after the main window, in their fixed order;
    // they stay hidden until shown modally.
    void CreateDialogs();

    // Help > About...
    void mnuHelpAboutClick();
    // File > Select default folder...
    void mnuFileSelectDefaultDirectoryClick();
    // File > Exit: asks whether to save first.
    void mnuFileExitClick();
    // File > Save; connected with the file commands.
    void mnuFileSaveClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildMenus();
    void BuildForm();
    void FillDropDowns();
    void ApplyCaptions();

    ProgramState state_;
    std::shared_ptr<const PlatformFolders> folders_;
    DeviceOptions deviceOptions_;
    std::unique_ptr<TUsbInterface> link_;
    std::unique_ptr<QtUserInterface> ui_;
    QString statusText_;
    QLabel* statusLabel_ = nullptr;
    QMenu* pumnuDST_ = nullptr;
    TfrmAbout* frmAbout_ = nullptr;
    TfrmSelectDirectory* frmSelectDirectory_ = nullptr;
    TfrmWriteRadioCodes* frmWriteRadioCodes_ = nullptr;
};

}  // namespace qzt
