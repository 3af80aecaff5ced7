// qzt-programmer: configures a QZT unit through the KVD interface box.

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/QztApplication.h"
#include "app/ShowException.h"
#include "app/TfrmMain.h"
#include "core/VersionInfo.h"

int main(int argc, char** argv) {
    // After a lone "--" every argument is a folder or file, even "--version".
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", qzt::FileVersionString().c_str());
            return 0;
        }
    }

    qzt::QztApplication app(argc, argv);
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
        frmMain.CreateDialogs();

        frmMain.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        qzt::ShowExceptionBox(error.what());
    } catch (...) {
        qzt::ShowExceptionBox("");
    }
    // The program ended on an error the user has been shown.
    return 1;
}
