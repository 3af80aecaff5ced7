#include "app/TfrmAbout.h"

#include "text/Text.h"

namespace qzt {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QString::fromStdString(Text(txt::AboutCaption)));
    setFixedSize(418, 250);
}

}  // namespace qzt
