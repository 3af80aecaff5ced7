#pragma once
// The main window's side of the user-interface interface: message boxes and
// file dialogs with Qt, the status bar, the title and the hourglass cursor of
// the window. Tests derive from it and answer the modal parts themselves.

#include "core/UserInterface.h"

class QDialog;

namespace qzt {

class TfrmMain;

class QtUserInterface : public UserInterface {
  public:
    explicit QtUserInterface(TfrmMain& window) : window_(window) {}

    void ShowError(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;

    void SetStatusText(const std::string& text) override;
    std::string StatusText() const override;
    void SetTitle(const std::string& title) override;
    void BeginBusy() override;
    void EndBusy() override;
    void ProcessPendingMessages() override;

    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override;

    // Shows one of the program's own dialogs modally and returns its result
    // (QDialog::Accepted or Rejected). Tests answer the dialog here.
    virtual int ExecDialog(QDialog& dialog);

  protected:
    TfrmMain& Window() const { return window_; }

  private:
    TfrmMain& window_;
};

}  // namespace qzt
