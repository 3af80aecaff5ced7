#pragma once

#include <QApplication>

namespace qzt {

// The program's application object: an error that escapes an event handler is
// shown in the standard error box and the program goes on.
class QztApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace qzt
