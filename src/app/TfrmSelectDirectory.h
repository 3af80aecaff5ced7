#pragma once
// The default folder dialog: where Open and Save As start.

#include <QDialog>

namespace qzt {

class TfrmSelectDirectory : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmSelectDirectory(QWidget* parent = nullptr);
};

}  // namespace qzt
