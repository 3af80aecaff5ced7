// qzt-programmer: configures a QZT unit through the KVD interface box.

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "app/ShowException.h"
#include "app/TfrmAbout.h"
#include "app/TfrmMain.h"
#include "app/TfrmSelectDirectory.h"
#include "app/TfrmWriteRadioCodes.h"
#include "core/VersionInfo.h"

namespace {

// An error that escapes an event handler is shown in the standard error box
// and the program goes on.
class Application : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            qzt::ShowExceptionBox(error.what());
        } catch (...) {
            qzt::ShowExceptionBox("");
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", qzt::FileVersionString().c_str());
            return 0;
        }
    }

    Application app(argc, argv);
    QApplication::setDesktopFileName("qzt-programmer");

    // Qt has taken its own options out of argv by now.
    qzt::StartOptions options;
    for (int i = 1; i < argc; ++i) {
        options.arguments.emplace_back(argv[i]);
    }

    try {
        // The four windows in their fixed order; the dialogs stay hidden
        // until they are shown modally.
        qzt::TfrmMain frmMain;
        frmMain.FormCreate(options);
        qzt::TfrmAbout frmAbout(&frmMain);
        qzt::TfrmSelectDirectory frmSelectDirectory(&frmMain);
        qzt::TfrmWriteRadioCodes frmWriteRadioCodes(&frmMain);

        frmMain.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        qzt::ShowExceptionBox(error.what());
    } catch (...) {
        qzt::ShowExceptionBox("");
    }
    return 0;
}
