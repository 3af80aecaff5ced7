#pragma once
// The about box: the product picture (compiled into the program), the
// program's description and version, the interface box's information text
// and the free lines of About.ini. Its content is rebuilt every time it is
// shown, so a newly connected box or an edited About.ini shows up at the next
// opening; then it is centred over the main window at its new size.

#include <QDialog>
#include <cstdint>
#include <memory>

class QLabel;
class QPlainTextEdit;

namespace qzt {

class Session;
class TUsbInterface;

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    // Centred over `owner`. The dialog has a link of its own to the
    // interface box, built from the session's device (again whenever that
    // changed); it is open only while the dialog fills itself.
    TfrmAbout(QWidget& owner, Session& session);
    ~TfrmAbout() override;

    // Fills the dialog and centres it; runs each time it is shown.
    void FormShow();
    TUsbInterface& Link() { return *link_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget& owner_;
    Session& session_;
    std::unique_ptr<TUsbInterface> link_;
    std::uint64_t linkGeneration_ = 0;
    QLabel* picture_ = nullptr;
    QLabel* kvdVersion_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
};

}  // namespace qzt
