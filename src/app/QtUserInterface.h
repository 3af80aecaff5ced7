#pragma once
// The main window's side of the user-interface interface: message boxes and
// file dialogs with Qt, the status bar, the title and the hourglass cursor of
// the window. Tests derive from it and answer the modal parts themselves.

#include <QLocale>

#include "app/FormView.h"
#include "core/UserInterface.h"

class QDialog;

namespace qzt {

// Dates and names in a Qt locale: the short date format, the full weekday
// and month names and the decimal point.
class QtFormLocale : public FormLocale {
  public:
    explicit QtFormLocale(QLocale locale = QLocale()) : locale_(std::move(locale)) {}

    std::string ShortDate(std::chrono::year_month_day date) const override;
    std::string WeekdayName(std::chrono::weekday weekday) const override;
    std::string MonthName(std::chrono::month month) const override;
    char32_t DecimalSeparator() const override;

  private:
    QLocale locale_;
};

class QtUserInterface : public UserInterface {
  public:
    explicit QtUserInterface(FormView& window) : window_(window) {}

    void ShowError(const std::string& text) override;
    void ShowErrorWithReason(const std::string& text, const std::string& reason) override;
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
    void ShowForm(const FormModel& form) override;
    void ReadForm(FormModel& form) override;
    // The change dialog TfrmWriteRadioCodes, through ExecDialog.
    bool EditRadioCodes(const RadioCodes& oldCodes, RadioCodes& newCodes) override;
    // The status bar's progress bar, painted at once (no user input runs).
    void ShowProgress(std::size_t block, std::size_t blocks) override;
    void EndProgress() override;
    // The application's default locale as it is at the call.
    const FormLocale& Locale() const override;
    std::chrono::local_seconds LocalTimeNow() const override;

  private:
    FormView& window_;
    mutable QtFormLocale locale_;
};

}  // namespace qzt
