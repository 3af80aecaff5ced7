#include "app/ShowException.h"

#include <QApplication>
#include <QMessageBox>

#include "text/Text.h"

namespace qzt {

void ShowExceptionBox(const std::string& message, QWidget* parent) {
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(Text(txt::ProgramName)),
                    QString::fromStdString(message), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace qzt
