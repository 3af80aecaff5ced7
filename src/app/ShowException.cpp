#include "app/ShowException.h"

#include <QApplication>
#include <QMessageBox>

#include "app/WindowHelpers.h"
#include "text/Text.h"

namespace qzt {

void ShowExceptionBox(const std::string& message, QWidget* parent) {
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    QMessageBox box(QMessageBox::Critical, Q(Text(txt::ProgramName)), Q(message), QMessageBox::Ok,
                    parent);
    box.exec();
}

}  // namespace qzt
