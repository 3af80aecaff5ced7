#pragma once
// The about box: the program's description and version, the interface box's
// information text and the free lines of About.ini. Its content is rebuilt
// every time it is shown, so a newly connected box or an edited About.ini
// shows up at the next opening.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace qzt {

class TfrmMain;

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    // Asks the interface box for its 11-character information text through
    // the dialog's own link (open, ask, close); nothing when it did not answer.
    using KvdInfoReader = std::function<std::optional<std::string>()>;

    TfrmAbout(TfrmMain& mainWindow, KvdInfoReader readKvdInfo);

    // Fills the dialog; runs each time it is shown.
    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TfrmMain& main_;
    KvdInfoReader readKvdInfo_;
    QLabel* picture_ = nullptr;
    QLabel* kvdVersion_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
};

}  // namespace qzt
