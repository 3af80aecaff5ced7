#pragma once
// The about box: the program's description and version, the interface box's
// information text and the lines of About.ini.

#include <QDialog>

namespace qzt {

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};

}  // namespace qzt
