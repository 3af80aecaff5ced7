#include "app/TfrmWriteRadioCodes.h"

#include "text/Text.h"

namespace qzt {

TfrmWriteRadioCodes::TfrmWriteRadioCodes(QWidget* parent) : QDialog(parent) {
    setObjectName("frmWriteRadioCodes");
    setWindowTitle(QString::fromStdString(Text(txt::RadioCodesCaption)));
    setFixedSize(479, 307);
}

}  // namespace qzt
