#pragma once
// The dialog of Change Radio Codes in device: the unit's six codes, old and new.

#include <QDialog>

namespace qzt {

class TfrmWriteRadioCodes : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmWriteRadioCodes(QWidget* parent = nullptr);
};

}  // namespace qzt
