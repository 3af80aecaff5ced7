#include "app/TfrmSelectDirectory.h"

#include "text/Text.h"

namespace qzt {

TfrmSelectDirectory::TfrmSelectDirectory(QWidget* parent) : QDialog(parent) {
    setObjectName("frmSelectDirectory");
    setWindowTitle(QString::fromStdString(Text(txt::SelectFolderCaption)));
    setFixedSize(469, 226);
}

}  // namespace qzt
