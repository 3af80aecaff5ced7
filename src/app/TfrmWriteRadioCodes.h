#pragma once
// The dialog of Change Radio Codes in device: the unit's six radio codes, old
// (shown only) and new (to be edited), one row per code. Created once with
// the application and refilled each time it is shown.

#include <QDialog>
#include <array>

#include "core/UserInterface.h"

class QLineEdit;
class QPushButton;

namespace qzt {

class TfrmWriteRadioCodes : public QDialog {
    Q_OBJECT

  public:
    // Centred over `owner`; its messages and pickers go through `ui`.
    TfrmWriteRadioCodes(QWidget& owner, Messages& ui);

    // Fills each row's old and new field with the unit's code.
    void SetCodes(const UserInterface::RadioCodes& codes);
    // The new fields as they are.
    UserInterface::RadioCodes NewCodes() const;

    // The run-time captions.
    void FormCreate();
    // Centres the dialog over the main window.
    void FormShow();
    // The key filter of the new fields: hexadecimal digits and the editing
    // keys.
    bool validateIDKeyPress(char32_t key);
    // The warning for the two codes a unit cannot use.
    void RadioIDChange(const QString& text);
    // Closes with OK when every new field holds a whole code.
    void btnWriteToDeviceClick();
    void btnAbortClick();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget& owner_;
    Messages& ui_;
    std::array<QLineEdit*, 6> oldCodes_{};
    std::array<QLineEdit*, 6> newCodes_{};
    QPushButton* abort_ = nullptr;
    QPushButton* write_ = nullptr;
};

}  // namespace qzt
