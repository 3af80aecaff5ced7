#include "app/QtUserInterface.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "app/TfrmMain.h"
#include "core/FileSystem.h"
#include "text/Text.h"

namespace qzt {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QMessageBox::StandardButton Box(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                                QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, Q(Text(txt::ProgramName)), Q(text), buttons, parent);
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
    Box(&window_, QMessageBox::Critical, text, QMessageBox::Ok);
}

void QtUserInterface::ShowInformation(const std::string& text) {
    Box(&window_, QMessageBox::Information, text, QMessageBox::Ok);
}

bool QtUserInterface::AskYesNo(const std::string& text) {
    return Box(&window_, QMessageBox::Information, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

UserInterface::Answer QtUserInterface::AskYesNoCancel(const std::string& text) {
    switch (Box(&window_, QMessageBox::Information, text,
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
    window_.setWindowTitle(Q(title));
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
    QFileDialog dialog(&window_);
    PrepareFileDialog(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtUserInterface::ChooseFileToSave(const FileDialogOptions& options) {
    QFileDialog dialog(&window_);
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
        &window_, Q(title), DirectoryExists(start) ? Q(start) : QString(),
        QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return StripTrailingSeparators(chosen.toStdString());
}

}  // namespace qzt
