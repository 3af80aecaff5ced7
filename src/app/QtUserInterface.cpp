#include "app/QtUserInterface.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QFileDialog>
#include <QMessageBox>

#include "app/TfrmWriteRadioCodes.h"
#include "app/WindowHelpers.h"
#include "core/FileSystem.h"
#include "text/Text.h"

namespace qzt {
namespace {

// A message box centred over the window as the dialogs are, frame on frame,
// once it has the size its text gives it (Qt places it before that, and by
// its inner size).
class CentredMessageBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (QWidget* owner = parentWidget()) {
            CentreOver(*this, *owner);
        }
    }
};

// A box is centred over the window; before the window is shown (the errors of
// start-up) there is no window to see, and the box sits in the middle of the
// screen rather than over the hidden window's unplaced frame.
QMessageBox::StandardButton Box(QWidget* window, QMessageBox::Icon icon, const std::string& text,
                                QMessageBox::StandardButtons buttons,
                                const std::string& details = {}) {
    QWidget* parent = window != nullptr && window->isVisible() ? window : nullptr;
    CentredMessageBox box(icon, Q(Text(txt::ProgramName)), Q(text), buttons, parent);
    if (!details.empty()) {
        box.setDetailedText(Q(details));
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The name filter of a dialog. Linux names are case-sensitive, so a filter for
// "*.Qzt" also lists files ending in .qzt or .QZT.
QString NameFilter(const FileDialogOptions& options) {
    QString pattern = Q(options.filterPattern);
    QStringList patterns{pattern};
    if (pattern.startsWith("*.")) {
        for (const QString& variant : {pattern.toLower(), pattern.toUpper()}) {
            if (!patterns.contains(variant)) {
                patterns << variant;
            }
        }
    }
    return Q(options.filterName) + " (" + patterns.join(' ') + ")";
}

void PrepareFileDialog(QFileDialog& dialog, const FileDialogOptions& options) {
    dialog.setWindowTitle(Q(options.title));
    dialog.setNameFilter(NameFilter(options));
    if (!options.startFolder.empty()) {
        dialog.setDirectory(Q(options.startFolder));
    }
    if (!options.fileName.empty() && options.fileName.find('*') == std::string::npos) {
        dialog.selectFile(Q(options.fileName));
    }
    // Extensions and overwrite questions belong to the commands.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
}

}  // namespace

void QtUserInterface::ShowError(const std::string& text) {
    Box(&window_.Widget(), QMessageBox::Critical, text, QMessageBox::Ok);
}

void QtUserInterface::ShowErrorWithReason(const std::string& text, const std::string& reason) {
    Box(&window_.Widget(), QMessageBox::Critical, text, QMessageBox::Ok, reason);
}

void QtUserInterface::ShowInformation(const std::string& text) {
    Box(&window_.Widget(), QMessageBox::Information, text, QMessageBox::Ok);
}

bool QtUserInterface::AskYesNo(const std::string& text) {
    return Box(&window_.Widget(), QMessageBox::Information, text,
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

UserInterface::Answer QtUserInterface::AskYesNoCancel(const std::string& text) {
    switch (Box(&window_.Widget(), QMessageBox::Information, text,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

void QtUserInterface::SetStatusText(const std::string& text) {
    window_.SetStatusText(Q(text));
}

std::string QtUserInterface::StatusText() const {
    return window_.StatusText().toStdString();
}

void QtUserInterface::SetTitle(const std::string& title) {
    window_.Widget().setWindowTitle(Q(title));
}

void QtUserInterface::BeginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserInterface::EndBusy() {
    QApplication::restoreOverrideCursor();
}

void QtUserInterface::ProcessPendingMessages() {
    // Paint what is pending; no key or mouse input runs in the middle of a
    // command.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int QtUserInterface::ExecDialog(QDialog& dialog) {
    return dialog.exec();
}

std::optional<std::string> QtUserInterface::ChooseFileToOpen(const FileDialogOptions& options) {
    QFileDialog dialog(&window_.Widget());
    PrepareFileDialog(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtUserInterface::ChooseFileToSave(const FileDialogOptions& options) {
    QFileDialog dialog(&window_.Widget());
    PrepareFileDialog(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtUserInterface::ChooseFolder(const std::string& title,
                                                         const std::string& startFolder) {
    const std::string start = StripTrailingSeparators(startFolder);
    QString chosen = QFileDialog::getExistingDirectory(
        &window_.Widget(), Q(title), DirectoryExists(start) ? Q(start) : QString(),
        QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return StripTrailingSeparators(chosen.toStdString());
}

bool QtUserInterface::EditRadioCodes(const RadioCodes& oldCodes, RadioCodes& newCodes) {
    TfrmWriteRadioCodes* dialog = window_.RadioCodesDialog();
    if (dialog == nullptr) {
        return false;
    }
    dialog->SetCodes(oldCodes);
    if (ExecDialog(*dialog) != QDialog::Accepted) {
        return false;
    }
    newCodes = dialog->NewCodes();
    return true;
}

void QtUserInterface::ShowProgress(std::size_t block, std::size_t blocks) {
    window_.ShowProgress(block, blocks);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUserInterface::EndProgress() {
    window_.EndProgress();
}

void QtUserInterface::ShowForm(const FormModel& form) {
    window_.ShowForm(form);
}

void QtUserInterface::ReadForm(FormModel& form) {
    window_.ReadForm(form);
}

const FormLocale& QtUserInterface::Locale() const {
    locale_ = QtFormLocale(QLocale());
    return locale_;
}

std::chrono::local_seconds QtUserInterface::LocalTimeNow() const {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    using namespace std::chrono;
    return local_days{year{date.year()} / static_cast<int>(date.month()) / date.day()} +
           hours{time.hour()} + minutes{time.minute()} + seconds{time.second()};
}

std::string QtFormLocale::ShortDate(std::chrono::year_month_day date) const {
    const QDate qdate(static_cast<int>(date.year()),
                      static_cast<int>(static_cast<unsigned>(date.month())),
                      static_cast<int>(static_cast<unsigned>(date.day())));
    return locale_.toString(qdate, QLocale::ShortFormat).toStdString();
}

std::string QtFormLocale::WeekdayName(std::chrono::weekday weekday) const {
    // Qt counts Monday as 1 and Sunday as 7, as ISO does.
    return locale_.dayName(static_cast<int>(weekday.iso_encoding()), QLocale::LongFormat)
        .toStdString();
}

std::string QtFormLocale::MonthName(std::chrono::month month) const {
    return locale_.monthName(static_cast<int>(static_cast<unsigned>(month)), QLocale::LongFormat)
        .toStdString();
}

char32_t QtFormLocale::DecimalSeparator() const {
    const QList<uint> separator = locale_.decimalPoint().toUcs4();
    return separator.size() == 1 ? static_cast<char32_t>(separator.front()) : U'.';
}

}  // namespace qzt
