#pragma once
// The about box: the product picture (compiled into the program), the
// program's description and version, the interface box's information text
// and the free lines of About.ini. Its content is rebuilt every time it is
// shown, so a newly connected box or an edited About.ini shows up at the next
// opening; then it is centred over the main window at its new size.

#include <QDialog>
#include <memory>

#include "device/DeviceOptions.h"

class QLabel;
class QPlainTextEdit;

namespace qzt {

class TfrmMain;
class TUsbInterface;

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    // The dialog has a link of its own to the interface box, built from the
    // program's device options; it is open only while the dialog fills itself.
    TfrmAbout(TfrmMain& mainWindow, const DeviceOptions& device);
    ~TfrmAbout() override;

    // Fills the dialog and centres it; runs each time it is shown.
    void FormShow();
    TUsbInterface& Link() { return *link_; }
    // A device chosen later (Communication > Connection): the dialog's link
    // is rebuilt for it.
    void SetDevice(const DeviceOptions& device);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TfrmMain& main_;
    std::unique_ptr<TUsbInterface> link_;
    QLabel* picture_ = nullptr;
    QLabel* kvdVersion_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
};

}  // namespace qzt
