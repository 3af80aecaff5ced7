// An error escaping an event handler is shown in the standard error box and
// the program goes on handling events.
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

#include "app/QztApplication.h"

namespace {

class Throwing : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("Unable to write to /x/Values.ini");
        }
        return QObject::event(e);
    }
};

}  // namespace

int main(int argc, char** argv) {
    qzt::QztApplication app(argc, argv);
    // The box is the only window here; closing it must not end the test.
    QApplication::setQuitOnLastWindowClosed(false);
    QString shown;
    int failures = 0;
    // Answers the error box as soon as it is up.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    closer.start(10);

    Throwing target;
    bool continued = false;
    QTimer::singleShot(0, [&] { QCoreApplication::postEvent(&target, new QEvent(QEvent::User)); });
    QTimer::singleShot(200, [&] {
        continued = true;
        QCoreApplication::quit();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(2); });
    const int code = QApplication::exec();

    if (code != 0 || !continued) {
        std::fprintf(stderr, "the event loop did not go on (exit %d)\n", code);
        ++failures;
    }
    if (shown != "Unable to write to /x/Values.ini") {
        std::fprintf(stderr, "error box showed '%s'\n", qPrintable(shown));
        ++failures;
    }
    std::printf("%d passed, %d failed\n", 2 - failures, failures);
    return failures == 0 ? 0 : 1;
}
